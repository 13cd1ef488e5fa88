#pragma once

#include "model/Bitmap.h"

#include <QPointF>
#include <QString>

namespace velmaris {

class ImageDocument;

// Operations that add, remove and rearrange layers. Each returns whether it changed the document;
// when it did, it recorded exactly one history entry.

// A transparent canvas-sized layer on top, selected ("Add Layer").
bool addLayer(ImageDocument& document);
// The image as a new top layer centred on `center`, kept at least one pixel on the canvas,
// selected alone ("Import Image"). A null image adds nothing.
bool importImageLayer(ImageDocument& document, const Bitmap& image, const QString& name, QPointF center);
// An image read from the pasteboard as "Pasted Layer" centred on the canvas, selected alone
// ("Paste"). A null image adds nothing.
bool pasteImageLayer(ImageDocument& document, const Bitmap& image);
// Removes the unlocked target layers unless that would leave no layer; selects the layer that was
// directly above the topmost removed one, or the new top layer.
bool deleteLayer(ImageDocument& document);
// Copies of every target layer (locked ones too) as one block above the topmost target; the copies
// become the selection. Copies of one group's members form a new group of their own.
bool duplicateLayer(ImageDocument& document);
// Moves the layer at stack index `from` into the gap before stack index `to` (counted before the
// move). Groups are not kept together.
bool moveLayer(ImageDocument& document, int from, int to);

}  // namespace velmaris
