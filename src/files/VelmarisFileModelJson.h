#pragma once

#include "files/JsonWriter.h"
#include "files/VelmarisImageFormat.h"

namespace velmaris::VelmarisImageFormat {

// The file records as JSON values; absent optionals become missing keys.
JsonValue toJson(const FileModel& file);

// Parses the JSON of a document into its records: a missing required key, a value of the wrong
// type or text that is not JSON fail with invalidJson. Unknown keys are ignored, null is absent.
// The layers' pngData are not copied but refer into `data`, which must outlive the records.
// `readablePastEnd` bytes after the data may be read as well (more than its capacity says, when
// it is a view of a mapping); with enough of them it is parsed in place.
FormatResult<FileModel> fileModelFromJson(const QByteArray& data, std::size_t readablePastEnd = 0);

}  // namespace velmaris::VelmarisImageFormat
