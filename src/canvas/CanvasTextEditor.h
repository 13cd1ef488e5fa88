#pragma once

#include "document/TextEditingSession.h"

#include <QPointer>
#include <QPointF>

#include <optional>

class QGraphicsTextItem;

namespace velmaris {

class CanvasView;
class ImageDocument;

// The in-place editor of a text layer: a rich-text item in the canvas's scene at the layer's
// origin, so it zooms with the canvas and its text lies where the rasterised layer draws it.
// Every edit flows into the document's text-editing session; Escape cancels, leaving the editor
// commits (unless the focus went to the text style controls). Its own undo steps end with it.
class CanvasTextEditor {
public:
    CanvasTextEditor(CanvasView& canvas, ImageDocument& document);
    ~CanvasTextEditor();

    // Shows the session: the text (unless the change came from the editor) and the position.
    void showSession(const TextEditingSession& session);
    // Takes the focus, selects all the text and installs the document's style applier.
    void begin();

    bool contains(QPointF canvasPoint) const;
    bool hasFocus() const;
    QGraphicsTextItem* item() const;
    // The editor's text with its styles, in the layer's own terms.
    StyledText styledContent() const;

private:
    class Item;
    friend class Item;

    void syncToSession();
    void selectionMayHaveChanged();
    void focusLost();
    bool applyStyle(std::optional<TextRange> range, std::optional<double> fontSize,
                    std::optional<StoredColor> color, std::optional<QString> fontFamily);

    CanvasView& canvas_;
    QPointer<ImageDocument> document_;
    Item* item_;
    bool isForwardingEditorEvent_ = false;
    bool isRemoving_ = false;
    bool syncQueued_ = false;
    std::optional<TextRange> lastRange_;
};

// The object name of the text style controls; the editor stays open while they have the focus.
inline constexpr char kTextStyleControlsName[] = "VelmarisTextStyleControls";

}  // namespace velmaris
