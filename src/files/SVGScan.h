#pragma once

#include <QByteArray>

#include <optional>

namespace velmaris {

// Rendered area above which a document with filters is refused: a blur and its kin allocate and
// walk several surfaces of the whole canvas.
inline constexpr qint64 kMaxFilteredSVGPixels = 40'000'000;

// What a look over an SVG document's structure found.
struct SVGScan {
    bool filtered = false;  // a filter element, attribute or style: its cost grows with the canvas
};

// Reads the document's structure cheaply, expanding nothing, before the renderer sees it. nullopt
// when it is not well formed, has a document type with entities or an internal subset, embeds
// another SVG document in a data address, or would nest too deep or draw too many elements once
// every <use> is replaced by what it references.
std::optional<SVGScan> scanSVG(const QByteArray& data);

}  // namespace velmaris
