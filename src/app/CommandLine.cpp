#include "app/CommandLine.h"

#include "app/CommandLineOutput.h"
#include "app/EditorLaunch.h"
#include "app/ExportCommand.h"
#include "app/InfoCommand.h"
#include "files/DecodeHelper.h"
#include "files/DocumentType.h"

#include <cstdio>

namespace velmaris {

namespace {

bool hasDisplay()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

// Work that reads an image from outside: its decode helper starts now, alongside the application's
// own start, rather than after the file is read. A native document is read without one.
void startDecodeHelperFor(const QString& input)
{
    if (!isNativeDocumentPath(input))
        DecodeHelperPool::shared().forkAhead();
}

// Runs command-line work; `input` is the file it reads, if any.
int runHeadless(int argc, char** argv, const std::function<int()>& work, const std::optional<QString>& input = {})
{
    prepareHeadlessOutput();
    // Made here, the helper's library messages go where this process's go, and Qt's are its own.
    if (input)
        startDecodeHelperFor(*input);
    startHeadlessApplication(argc, argv);
    finishHeadless(work());
}

}  // namespace

int runApplication(int argc, char** argv)
{
    const CommandLineRequest request = parseCommandLine(commandLineArguments(argc, argv));

    if (std::holds_alternative<HelpRequest>(request)) {
        std::fputs(qPrintable(commandLineHelp()), stdout);
        return 0;
    }
    if (const auto* error = std::get_if<UsageError>(&request)) {
        printError(error->message + QLatin1Char(' ') + commandLineUsage());
        return 1;
    }
    if (const auto* exportRequest = std::get_if<ExportCommandRequest>(&request)) {
        return runHeadless(argc, argv, [&] { return reportFailure(runExport(*exportRequest)); }, exportRequest->input);
    }
    if (std::holds_alternative<FilterListRequest>(request)) {
        std::fputs(qPrintable(filterListText()), stdout);
        return 0;
    }
    if (const auto* filter = std::get_if<FilterRequest>(&request))
        return runHeadless(argc, argv, [&] { return reportFailure(runFilter(*filter)); }, filter->input);
    if (const auto* sheet = std::get_if<ContactSheetRequest>(&request))
        return runHeadless(argc, argv, [&] { return reportFailure(runContactSheet(*sheet)); }, sheet->input);
    if (const auto* thumbnail = std::get_if<ThumbnailRequest>(&request))
        return runHeadless(argc, argv, [&] { return reportFailure(runThumbnail(*thumbnail)); }, thumbnail->input);
    if (const auto* info = std::get_if<InfoRequest>(&request))
        return runHeadless(argc, argv, [&] { return printInfo(fileInfo(info->file)); });
    if (!hasDisplay()) {
        printError(QStringLiteral("No display is available to show the editor (DISPLAY is not set); "
                                         "use --export to work without one."));
        return 1;
    }
    return runEditor(argc, argv, std::get<OpenEditorRequest>(request).files);
}

}  // namespace velmaris
