#pragma once

class QWidget;

namespace velmaris {

class ImageDocument;

// "Stroke Selection": strokes the selection's border in the current colour, as wide as typed
// (1 … 1000 pixels), in one history step. Other text closes the sheet with no change.
struct StrokeSelectionDialog {
    static void open(ImageDocument* document, QWidget* window);
};

}  // namespace velmaris
