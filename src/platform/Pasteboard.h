#pragma once

#include "files/ImageType.h"
#include "model/Bitmap.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <optional>

class QMimeData;
class QObject;

namespace velmaris {

// Whether the data holds an image in a type read: PNG, TIFF, JPEG, GIF or BMP.
bool offersImageData(const QMimeData& data);
// Another program's image data (clipboard or drop) in those types, in that order of preference.
// Read on the main thread, where the data lives.
QList<std::pair<ImageType, QByteArray>> offeredImageData(const QMimeData& data);
// The first of them the decode helper decodes. Any thread.
std::optional<Bitmap> decodeOfferedImage(const QList<std::pair<ImageType, QByteArray>>& offered);

// Images on the system clipboard. Other programs' PNG, TIFF, JPEG, GIF or BMP data is decoded by
// the decode helper, so the limits hold for pasted images as for opened files; no other type is
// decoded.
class Pasteboard {
public:
    // The first image offered that decodes: PNG data, else TIFF, JPEG, GIF or BMP data, else an
    // image this process put there; while an image of ours is still being encoded, that image.
    // Data is decoded on a worker thread; `done` runs on the main thread afterwards (at once when
    // there is nothing to decode), and not at all once `receiver` is gone.
    void readImage(const QObject* receiver, std::function<void(std::optional<Bitmap>)> done) const;
    // Whether readImage() may find an image, without decoding one: cheap enough for enabling a
    // Paste command on every change.
    bool offersImage() const;
    // Replaces the clipboard's contents with the image as PNG and TIFF. Encoding runs on a worker
    // thread; the clipboard is set on the main thread, then `written` runs. A later write wins.
    void writeImage(const Bitmap& image, std::function<void()> written = {}) const;
};

}  // namespace velmaris
