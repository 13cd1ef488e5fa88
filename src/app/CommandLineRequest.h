#pragma once

#include "app/FilterCommands.h"
#include "app/ThumbnailCommand.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace velmaris {

struct ExportCommandRequest {
    QString input;
    QString output;
    double scale = 1;
    std::optional<double> quality;
    std::optional<QString> typeName;  // from --type; otherwise the output's extension names it
    friend bool operator==(const ExportCommandRequest&, const ExportCommandRequest&) = default;
};
struct InfoRequest {
    QString file;
    friend bool operator==(const InfoRequest&, const InfoRequest&) = default;
};
struct FilterListRequest {
    friend bool operator==(const FilterListRequest&, const FilterListRequest&) = default;
};
struct HelpRequest {
    friend bool operator==(const HelpRequest&, const HelpRequest&) = default;
};
struct OpenEditorRequest {
    QStringList files;
    friend bool operator==(const OpenEditorRequest&, const OpenEditorRequest&) = default;
};
struct UsageError {
    QString message;
    friend bool operator==(const UsageError&, const UsageError&) = default;
};

using CommandLineRequest = std::variant<OpenEditorRequest, HelpRequest, ExportCommandRequest, InfoRequest, FilterRequest,
                                        FilterListRequest, ContactSheetRequest, ThumbnailRequest, UsageError>;

// The arguments after the program name, file names kept byte for byte.
QStringList commandLineArguments(int argc, char** argv);
// Reads the arguments after the program name.
CommandLineRequest parseCommandLine(const QStringList& arguments);

// One line naming every form of the command, printed after a usage error.
QString commandLineUsage();
QString commandLineHelp();

}  // namespace velmaris
