#pragma once

#include "model/CanvasState.h"

#include <QByteArray>
#include <QJsonObject>
#include <QSize>
#include <QString>

#include <variant>

namespace velmaris {

// The canvas size and layer list of a document as JSON, for scripts.
QJsonObject canvasInfo(const CanvasState& state);
// The same for a flat image of the given (upright) size: one "Background" bitmap layer.
QJsonObject flatImageInfo(QSize size);

// The information of a file, or the message to show. Flat raster images are described from their
// header alone, without decoding the pixels.
std::variant<QJsonObject, QString> fileInfo(const QString& path);

}  // namespace velmaris
