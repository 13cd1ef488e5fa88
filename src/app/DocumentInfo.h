#pragma once

#include "model/CanvasState.h"

#include <QJsonObject>
#include <QSize>
#include <QString>

#include <functional>

#include <variant>

namespace velmaris {

// The canvas size and layer list of a document as JSON, for scripts.
QJsonObject canvasInfo(const CanvasState& state);
// The same for a flat image of the given (upright) size: one "Background" bitmap layer.
QJsonObject flatImageInfo(QSize size);

// The information of a native document, or the message to show. Layer sizes come from the headers
// of their PNGs: no pixel is decoded, and no image codec is needed. Text layers are laid out, which
// needs a QGuiApplication: `prepareTextLayout` is called first, only if there are any.
std::variant<QJsonObject, QString> nativeDocumentInfo(const QString& path,
                                                      const std::function<void()>& prepareTextLayout = {});

// Writes the information as indented JSON on standard output, or its message on standard error;
// returns the exit status.
int printInfo(const std::variant<QJsonObject, QString>& info);

}  // namespace velmaris
