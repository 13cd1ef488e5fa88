#pragma once

#include "model/StoredColor.h"
#include "model/TextLayerAttributes.h"

#include <QString>

#include <optional>

namespace velmaris {

class ImageDocument;
class Preferences;

// What the text style controls change: the text being edited, the primary text layer, or the
// style of text layers made later.
enum class TextStyleTarget { editingSession, textLayer, newTextLayers };
TextStyleTarget textStyleTarget(const ImageDocument& document);

// The attributes one control changes; the others stay absent.
struct TextStyleChange {
    std::optional<double> fontSize;
    std::optional<StoredColor> color;
    std::optional<QString> fontFamily;
};

// The style the controls show for the current target: the uniform style of the edited range
// (absent where it is mixed), the primary text layer's base style, or the new-layer defaults.
UniformTextStyle shownTextStyle(const ImageDocument& document, const Preferences& preferences);

// Applies a change to the current target and returns it. A text layer records one "Text Style"
// step when its attributes change, or when `previewShown` says an unrecorded live preview of it
// must become one. The defaults are stored under the new-text-layer preferences.
TextStyleTarget applyTextStyleChange(ImageDocument& document, const TextStyleChange& change, bool previewShown,
                                     Preferences& preferences);

// A typed size shown at once: through the editing session, or on the primary text layer without a
// history step. True when the layer now shows an unrecorded preview.
bool previewFontSize(ImageDocument& document, double fontSize);

// A typed size: a finite number of at least 1 point.
std::optional<double> typedFontSize(const QString& text);

}  // namespace velmaris
