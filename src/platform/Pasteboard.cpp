#include "platform/Pasteboard.h"

#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace velmaris {

namespace {

// An image the clipboard decodes itself (another format, or one offered in-process).
std::optional<Bitmap> clipboardImage(const QClipboard& clipboard)
{
    const QImage image = clipboard.image();
    if (image.isNull() || !bitmapSizeAllowed(image.width(), image.height()))
        return std::nullopt;
    Bitmap bitmap = Bitmap::fromImage(image);
    if (bitmap.isNull())
        return std::nullopt;
    return bitmap;
}

std::optional<Bitmap> readSystemClipboard()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return std::nullopt;
    bool offeredOurFormat = false;
    for (ImageType type : {ImageType::png, ImageType::tiff}) {
        const QString mime = imageTypeMimeName(type);
        if (!data->hasFormat(mime))
            continue;
        offeredOurFormat = true;
        if (std::optional<Bitmap> image = decodeImageData(data->data(mime), type))
            return image;
    }
    // PNG or TIFF that our decoder refused is not handed to a decoder without our size limits.
    if (offeredOurFormat || !data->hasImage())
        return std::nullopt;
    return clipboardImage(*clipboard);
}

}  // namespace

std::optional<Bitmap> Pasteboard::readImage() const
{
    return reader_ ? reader_() : readSystemClipboard();
}

void Pasteboard::writeImage(const Bitmap& image) const
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || image.isNull())
        return;
    auto data = std::make_unique<QMimeData>();
    for (ImageType type : {ImageType::png, ImageType::tiff}) {
        if (std::optional<QByteArray> bytes = encodeImageData(image, type))
            data->setData(imageTypeMimeName(type), *bytes);
    }
    clipboard->setMimeData(data.release());
}

}  // namespace velmaris
