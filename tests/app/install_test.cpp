#include "app/ProgramTestHelpers.h"

#include <QDir>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

struct ToolResult {
    int exitCode;
    QString output;
};

ToolResult runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {-1, QStringLiteral("did not finish")};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// The value of a key in a desktop entry or thumbnailer file (each holds one group).
QString entryValue(const QString& path, const QString& key)
{
    for (const QString& line : QString::fromUtf8(test::fileBytes(path)).split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return {};
}

TEST(Install, PutsTheProgramItsDesktopEntryTypeIconsAndThumbnailerInThePrefix)
{
    QTemporaryDir prefix;
    const ToolResult install = runTool(QStringLiteral(VELMARIS_CMAKE_COMMAND),
                                       {QStringLiteral("--install"), QStringLiteral(VELMARIS_BUILD_DIR),
                                        QStringLiteral("--prefix"), prefix.path()});
    ASSERT_EQ(install.exitCode, 0) << install.output.toStdString();
    const QDir root(prefix.path());

    const QString program = root.filePath(QStringLiteral("bin/velmaris-images"));
    EXPECT_TRUE(QFileInfo(program).isExecutable());
    // It passes its arguments on to the programs installed beside it.
    EXPECT_TRUE(QFileInfo(root.filePath(QStringLiteral("bin/velmaris-images-info"))).isExecutable());
    const ToolResult help = runTool(program, {QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0) << help.output.toStdString();
    EXPECT_TRUE(help.output.startsWith(QStringLiteral("Usage:"))) << help.output.toStdString();

    const QString desktop = root.filePath(QStringLiteral("share/applications/app.velmaris.VelmarisImages.desktop"));
    ASSERT_TRUE(QFile::exists(desktop));
    EXPECT_EQ(entryValue(desktop, QStringLiteral("Name")), QStringLiteral("Velmaris Images"));
    EXPECT_EQ(entryValue(desktop, QStringLiteral("Exec")), QStringLiteral("velmaris-images %F"));
    EXPECT_EQ(entryValue(desktop, QStringLiteral("Icon")), QStringLiteral("velmaris-images"));
    const QStringList types = entryValue(desktop, QStringLiteral("MimeType")).split(QLatin1Char(';'));
    for (const char* type : {"application/x-velmaris-image", "image/openraster", "image/vnd.adobe.photoshop",
                             "image/png", "image/jpeg",
                             "image/gif", "image/bmp", "image/tiff", "image/svg+xml"})
        EXPECT_TRUE(types.contains(QLatin1String(type))) << type;

    const QString thumbnailer = root.filePath(QStringLiteral("share/thumbnailers/velmaris-images.thumbnailer"));
    EXPECT_EQ(entryValue(thumbnailer, QStringLiteral("Exec")),
              QStringLiteral("velmaris-images --thumbnail %i %o %s"));
    EXPECT_EQ(entryValue(thumbnailer, QStringLiteral("MimeType")),
              QStringLiteral("application/x-velmaris-image;image/openraster;image/vnd.adobe.photoshop;"));

    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/velmaris-images.svg"))));
    for (const int side : {16, 32, 48, 64, 128, 256}) {
        const QImage icon(root.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/velmaris-images.png").arg(side)));
        EXPECT_EQ(icon.size(), QSize(side, side));
        EXPECT_GT(qAlpha(icon.pixel(side / 2, side / 2)), 0) << side;  // drawn, not an empty canvas
    }

    // The type declaration compiles, and names both the extension and the written content.
    const QString mimePackages = root.filePath(QStringLiteral("share/mime/packages/velmaris-images.xml"));
    ASSERT_TRUE(QFile::exists(mimePackages));
    const QString updateMime = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updateMime.isEmpty()) {
        const ToolResult update = runTool(updateMime, {root.filePath(QStringLiteral("share/mime"))});
        EXPECT_EQ(update.exitCode, 0) << update.output.toStdString();
        EXPECT_TRUE(test::fileBytes(root.filePath(QStringLiteral("share/mime/globs2")))
                        .contains("application/x-velmaris-image:*.velmaris"));
        EXPECT_TRUE(test::fileBytes(root.filePath(QStringLiteral("share/mime/globs2")))
                        .contains("image/vnd.adobe.photoshop:*.psd"));
        EXPECT_TRUE(test::fileBytes(root.filePath(QStringLiteral("share/mime/magic")))
                        .contains("\"formatVersion\":"));
        EXPECT_TRUE(test::fileBytes(root.filePath(QStringLiteral("share/mime/globs2"))).contains("image/openraster:*.ora"));
        EXPECT_TRUE(test::fileBytes(root.filePath(QStringLiteral("share/mime/magic"))).contains("image/openraster"));
    }
    // Checked where the desktop's validator is installed; it is not needed to build.
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        const ToolResult validation = runTool(validator, {desktop});
        EXPECT_EQ(validation.exitCode, 0) << validation.output.toStdString();
        EXPECT_EQ(validation.output.trimmed(), QString()) << validation.output.toStdString();
    }
}

}  // namespace
}  // namespace velmaris
