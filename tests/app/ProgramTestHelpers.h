#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace velmaris::test {

struct ProcessResult {
    int exitCode;
    QString standardError;
};

// Runs the built program with the arguments and waits for it to end.
inline ProcessResult runProgram(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VELMARIS_EXECUTABLE), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace velmaris::test
