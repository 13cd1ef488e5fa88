#pragma once

#include "platform/CommandRegistry.h"

#include <QString>

#include <optional>

namespace velmaris {

class ImageDocument;

// How a document command shows in menus and toolbars right now.
struct CommandAvailability {
    bool enabled = true;
    std::optional<bool> checked;  // only for commands with an on/off state
    std::optional<QString> title;  // only for commands whose title follows the document
};

// The availability of a command for `document`; everything is disabled without a document.
// `pasteboardOffersImage` stands for the clipboard, which only the caller can ask. Commands whose
// state lives outside the document (the history's Undo and Redo, the tools) are always enabled here.
CommandAvailability commandAvailability(const ImageDocument* document, CommandID command,
                                        bool pasteboardOffersImage);

}  // namespace velmaris
