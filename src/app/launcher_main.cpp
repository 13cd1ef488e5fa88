// The program people and scripts run. It answers what needs neither the editor's image codecs nor
// its widgets (the layers of a native document, asked by scripts and file managers) and hands
// everything else to the editor program beside it. Loading those libraries takes the better part
// of such a query's time.

#include "app/CommandLineOutput.h"
#include "app/CommandLineRequest.h"
#include "app/DocumentInfo.h"
#include "files/DocumentType.h"
#include "files/NativePath.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace velmaris {

namespace {

std::optional<QString> nativeDocumentToDescribe(const CommandLineRequest& request)
{
    const auto* info = std::get_if<InfoRequest>(&request);
    if (!info)
        return std::nullopt;
    const std::optional<QString> typeName = typeNameForPath(info->file);
    if (!typeName || !isNativeType(*typeName))
        return std::nullopt;
    return info->file;
}

// Replaces this process with the editor program, found beside this one's own file (the name it was
// started by need not lead there). Returns only on failure.
int runEditorProgram(char** argv)
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path program = self.parent_path() / VELMARIS_EDITOR_PROGRAM;
    if (!error)
        ::execv(program.c_str(), argv);
    const QString reason = error ? QString::fromStdString(error.message()) : QString::fromLocal8Bit(std::strerror(errno));
    printError(QStringLiteral("The program \"%1\" could not be started: %2.")
                   .arg(decodeNativePath(QByteArray(program.c_str())), reason));
    return 1;
}

}  // namespace

}  // namespace velmaris

int main(int argc, char** argv)
{
    using namespace velmaris;
    if (const std::optional<QString> document = nativeDocumentToDescribe(parseCommandLine(commandLineArguments(argc, argv)))) {
        prepareHeadlessOutput();
        finishHeadless(printInfo(nativeDocumentInfo(*document, [&] { startHeadlessApplication(argc, argv); })));
    }
    return runEditorProgram(argv);
}
