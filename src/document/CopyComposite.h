#pragma once

#include "model/Bitmap.h"
#include "model/CanvasState.h"
#include "model/DocumentSelection.h"

#include <QRect>

#include <functional>
#include <optional>

namespace velmaris {

class ImageDocument;
class Pasteboard;

// The canvas region the Copy command takes: the selection's rectangle rounded outward to whole
// pixels, or the whole canvas without a selection or with an inverted one. Only the part inside
// the canvas counts; nullopt when less than a pixel remains.
std::optional<QRect> copyRegion(QSize canvas, const DocumentSelection& selection);

// The composite (no preview, every layer) cut to the copy region; an elliptical selection keeps
// only the inscribed ellipse and an inverted one clears the selected shape. nullopt when the
// region is empty or the composite cannot be made.
std::optional<Bitmap> copiedImage(const CanvasState& state, const DocumentSelection& selection);
// The same cut and mask of any canvas-sized picture.
std::optional<Bitmap> selectedPart(const Bitmap& composite, const DocumentSelection& selection);

// The Copy command: the copied image goes on the pasteboard as PNG and TIFF, encoded on a worker
// (`written` runs once the clipboard holds it). False, leaving the pasteboard as it was, when
// there is nothing to copy; the window beeps then.
bool copyComposite(const ImageDocument& document, const Pasteboard& pasteboard,
                   std::function<void()> written = {});

}  // namespace velmaris
