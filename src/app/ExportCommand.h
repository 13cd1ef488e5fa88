#pragma once

#include "app/CommandLineRequest.h"

#include <QString>

#include <optional>

namespace velmaris {

// Writes the input file as the type the output names (flattened for the flat types); the message
// to show when that fails.
std::optional<QString> runExport(const ExportCommandRequest& request);

}  // namespace velmaris
