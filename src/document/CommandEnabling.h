#pragma once

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

// The availability of the command named `command` ("deleteLayer", "freeTransform", …) for
// `document`; everything is disabled without a document. `pasteboardOffersImage` stands for the
// clipboard, which only the caller can ask.
CommandAvailability commandAvailability(const ImageDocument* document, const QString& command,
                                        bool pasteboardOffersImage);

}  // namespace velmaris
