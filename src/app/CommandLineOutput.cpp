#include "app/CommandLineOutput.h"

#include "files/NativePath.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace velmaris {

namespace {

// Where the program's own messages go: standard error, or a copy of it while the libraries'
// output is silenced.
int messageDescriptor = STDERR_FILENO;

// Command-line output is the program's own: Qt's diagnostics (missing runtime folders and the
// like) would break the one-line error contract, so only critical messages get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printError(message);
}

}  // namespace

void printError(const QString& text)
{
    const QByteArray line = encodeNativePath(text + QLatin1Char('\n'));
    for (qsizetype written = 0; written < line.size();) {
        const ssize_t count = ::write(messageDescriptor, line.constData() + written, std::size_t(line.size() - written));
        if (count <= 0)
            return;
        written += count;
    }
}

int reportFailure(const std::optional<QString>& failure)
{
    if (failure)
        printError(*failure);
    return failure ? 1 : 0;
}

void prepareHeadlessOutput()
{
    // A reader that goes away makes writes fail with EPIPE, reported like any failed write.
    std::signal(SIGPIPE, SIG_IGN);
    // The image libraries write their own warnings and errors straight to standard error ("libpng
    // error: Read Error", TIFF and SVG warnings). A failure is reported in one line of ours, so
    // their output goes to the null device and ours to a copy of the real standard error.
    const int copy = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (copy >= 0 && null >= 0 && ::dup2(null, STDERR_FILENO) >= 0)
        messageDescriptor = copy;
    else if (copy >= 0)
        ::close(copy);
    if (null >= 0)
        ::close(null);
}

void startHeadlessApplication(int& argc, char** argv)
{
    qInstallMessageHandler(quietQtMessages);
    // Text layout needs a GUI application, but command-line work must not need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the process ends with the work, and destroying the application would only
    // load the font configuration (Qt's font database does on its way out), a sixth of an export.
    new QGuiApplication(argc, argv);
}

void finishHeadless(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace velmaris
