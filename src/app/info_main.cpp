// The program --info goes to. It describes native documents without the editor's image codecs and
// widgets, whose loading would take the better part of the time, and hands anything else to the
// editor program beside it.

#include "app/CommandLineOutput.h"
#include "app/CommandLineRequest.h"
#include "app/DocumentInfo.h"
#include "app/SiblingProgram.h"
#include "files/DocumentType.h"

namespace velmaris {

namespace {

std::optional<QString> nativeDocumentToDescribe(const CommandLineRequest& request)
{
    const auto* info = std::get_if<InfoRequest>(&request);
    if (!info || !isNativeDocumentPath(info->file))
        return std::nullopt;
    return info->file;
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
    return replaceWithSiblingProgram(VELMARIS_EDITOR_PROGRAM, argv);
}
