#pragma once

#include "document/ImageDocument.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace velmaris {

// The undo stack of the in-place text editor, while one is open.
struct TextEditorUndo {
    std::function<bool()> canUndo;
    std::function<bool()> canRedo;
    std::function<QString()> undoTitle;
    std::function<QString()> redoTitle;
    std::function<void()> undo;
    std::function<void()> redo;
    std::function<void()> clear;  // forgets every typing step
};

// What the window's Undo and Redo commands do: the text editor's own undo while it has typing to
// undo (or redo), otherwise the document's snapshot history.
class HistoryUndoBridge {
public:
    explicit HistoryUndoBridge(ImageDocument* document) : document_(document) {}

    void setTextEditor(std::optional<TextEditorUndo> editor) { textEditor_ = std::move(editor); }

    bool canUndo() const;
    bool canRedo() const;
    QString undoMenuItemTitle() const;
    QString redoMenuItemTitle() const;
    void undo();
    void redo();

private:
    bool editorCanUndo() const { return textEditor_ && textEditor_->canUndo(); }
    bool editorCanRedo() const { return textEditor_ && textEditor_->canRedo(); }

    QPointer<ImageDocument> document_;
    std::optional<TextEditorUndo> textEditor_;
};

}  // namespace velmaris
