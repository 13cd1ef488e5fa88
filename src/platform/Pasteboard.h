#pragma once

#include "model/Bitmap.h"

#include <functional>
#include <optional>

namespace velmaris {

// Images on the system clipboard. Other programs offer PNG or TIFF; both are decoded by our own
// decoder so the size limits hold for pasted images as for opened files.
class Pasteboard {
public:
    using ImageReader = std::function<std::optional<Bitmap>()>;

    // The system clipboard.
    Pasteboard() = default;
    // Images come from `reader` instead of the system clipboard (for tests).
    explicit Pasteboard(ImageReader reader) : reader_(std::move(reader)) {}

    // The first image offered: PNG data, else TIFF data, else any image the clipboard can give.
    // While an image of ours is still being encoded, that image.
    std::optional<Bitmap> readImage() const;
    // Whether readImage() may find an image, without decoding one: cheap enough for enabling a
    // Paste command on every change.
    bool offersImage() const;
    // Replaces the clipboard's contents with the image as PNG and TIFF. Encoding runs on a worker
    // thread; the clipboard is set on the main thread, then `written` runs. A later write wins.
    void writeImage(const Bitmap& image, std::function<void()> written = {}) const;

private:
    ImageReader reader_;
};

}  // namespace velmaris
