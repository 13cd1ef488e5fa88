#pragma once

#include "app/DocumentInfo.h"

namespace velmaris {

// The information of a file, or the message to show. Flat raster images are described from their
// header alone, without decoding the pixels.
std::variant<QJsonObject, QString> fileInfo(const QString& path);

}  // namespace velmaris
