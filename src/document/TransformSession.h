#pragma once

#include "model/Bitmap.h"

#include <QPointF>
#include <QSizeF>
#include <QUuid>

namespace velmaris {

class ImageDocument;

// A free transform being edited. The live state is untouched until the commit; the canvas shows
// `raster` scaled about `center` and turned by `rotation` (radians, clockwise on screen).
struct TransformSession {
    QUuid layerID;
    Bitmap raster;        // the layer's pixels at the start (a text layer rasterised)
    QSizeF originalSize;  // pixel size of raster
    QPointF center;
    double scaleX = 1;
    double scaleY = 1;
    double rotation = 0;
};

// Opens a session on the primary layer; nothing when one is open, there is no primary layer, it is
// locked or its text cannot be rasterised. An open text edit is committed first.
void beginTransform(ImageDocument& document);
// Renders the transform into the layer as one "Transform Layer" step; an unchanged transform
// records nothing, so a text layer stays editable.
void commitTransform(ImageDocument& document);
void cancelTransform(ImageDocument& document);

}  // namespace velmaris
