#pragma once

#include "model/LayerBlendMode.h"
#include "model/LayerEffects.h"
#include "model/TextLayerAttributes.h"
#include "model/Bitmap.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUuid>

#include <optional>
#include <variant>

namespace velmaris {

// A layer holds pixels or editable text; text keeps no pixels and is rasterised when drawn.
using LayerContent = std::variant<Bitmap, TextLayerAttributes>;

struct Layer {
    QUuid id = QUuid::createUuid();
    QString name;
    bool isVisible = true;
    double opacity = 1.0;
    QPointF origin;
    LayerContent content;
    LayerBlendMode blendMode = LayerBlendMode::normal;
    LayerEffects effects;
    bool isLocked = false;
    std::optional<QUuid> groupID;

    // Bitmaps compare by identity (the same shared pixels); everything else by value.
    friend bool operator==(const Layer& a, const Layer& b);

    const Bitmap* bitmap() const { return std::get_if<Bitmap>(&content); }
    const TextLayerAttributes* text() const { return std::get_if<TextLayerAttributes>(&content); }
    bool isText() const { return text() != nullptr; }

    // Pixel size of the layer box: the bitmap's size, or the measured text size + 2 px margin.
    // A text layer's size is remembered per attributes, so hit tests may ask on every event.
    QSizeF pixelSize() const;
    // origin plus pixelSize.
    QRectF box() const;
};

// A new bitmap layer (fresh id, every other field at its default).
Layer makeBitmapLayer(const Bitmap& pixels, const QString& name, QPointF origin = {});

}  // namespace velmaris
