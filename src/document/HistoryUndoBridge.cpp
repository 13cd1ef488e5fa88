#include "document/HistoryUndoBridge.h"

namespace velmaris {

bool HistoryUndoBridge::canUndo() const
{
    if (editorCanUndo())
        return true;
    return document_ && document_->history().canUndo();
}

bool HistoryUndoBridge::canRedo() const
{
    if (editorCanRedo())
        return true;
    return document_ && document_->history().canRedo();
}

QString HistoryUndoBridge::undoMenuItemTitle() const
{
    if (editorCanUndo())
        return textEditor_->undoTitle();
    return document_ ? undoMenuTitle(document_->history()) : QStringLiteral("Undo");
}

QString HistoryUndoBridge::redoMenuItemTitle() const
{
    if (editorCanRedo())
        return textEditor_->redoTitle();
    return document_ ? redoMenuTitle(document_->history()) : QStringLiteral("Redo");
}

void HistoryUndoBridge::undo()
{
    if (editorCanUndo()) {
        textEditor_->undo();
        return;
    }
    if (textEditor_)
        textEditor_->clear();
    if (document_)
        document_->undoHistory();
}

void HistoryUndoBridge::redo()
{
    if (editorCanRedo()) {
        textEditor_->redo();
        return;
    }
    if (textEditor_)
        textEditor_->clear();
    if (document_)
        document_->redoHistory();
}

}  // namespace velmaris
