#pragma once

#include "model/StyledText.h"
#include "model/TextLayerAttributes.h"

#include <QPointF>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace velmaris {

class ImageDocument;

// A range of UTF-16 code units.
struct TextRange {
    int location = 0;
    int length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// A text layer being edited in place. The edits live here until the commit writes them into the
// layer as one history step.
struct TextEditingSession {
    QUuid layerID;
    TextLayerAttributes attributes;
    QString historyName;  // "Add Text Layer" or "Edit Text Layer"
    std::optional<TextRange> selectedRange;
};

// Set by the canvas while its editor exists: styles the editor's text (the selected range, or all
// of it) and returns false when it could not, so the caller styles the session itself.
using EditorStyleApplier = std::function<bool(std::optional<TextRange> range, std::optional<double> fontSize,
                                              std::optional<StoredColor> color, std::optional<QString> fontFamily)>;

// A new "Text" layer with the default text style at `point`, opened for editing.
void addTextLayer(ImageDocument& document, QPointF point);
// Opens an unlocked text layer for editing; anything else does nothing.
void editTextLayer(ImageDocument& document, const QUuid& id);
// Ends the session: empty text is never committed, unchanged text records nothing.
void commitTextEditing(ImageDocument& document);
// Ends the session and restores the layer as the last history entry has it.
void cancelTextEditing(ImageDocument& document);
void setEditingSelectedRange(ImageDocument& document, const std::optional<TextRange>& range);
// Styles the session's selected text (or all of it), through the editor when one is installed.
void applyTextStyle(ImageDocument& document, std::optional<double> fontSize, std::optional<StoredColor> color,
                    std::optional<QString> fontFamily);

// The style overrides of a styled string against `base`: one run per format range, each attribute
// present only where it differs from the base. Callers normalise the result.
QVector<TextStyleRun> runsFromStyledText(const StyledText& styled, const TextLayerAttributes& base);

}  // namespace velmaris
