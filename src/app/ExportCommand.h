#pragma once

#include "app/CommandLine.h"

#include <QString>

#include <optional>

namespace velmaris {

// Flattens the input file and writes the output; the message to show when that fails.
std::optional<QString> runExport(const ExportRequest& request);

}  // namespace velmaris
