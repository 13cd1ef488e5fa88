#include "platform/Pasteboard.h"

#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThreadPool>

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

// The latest image written by this process whose encoding has not reached the clipboard yet.
// Touched only on the main thread.
struct PendingWrite {
    quint64 generation = 0;
    std::optional<Bitmap> image;
};

PendingWrite& pendingWrite()
{
    static PendingWrite pending;
    return pending;
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
    if (reader_)
        return reader_();
    if (const std::optional<Bitmap>& pending = pendingWrite().image)
        return pending;
    return readSystemClipboard();
}

bool Pasteboard::offersImage() const
{
    if (reader_)
        return reader_().has_value();
    if (pendingWrite().image)
        return true;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return false;
    return data->hasImage() || data->hasFormat(imageTypeMimeName(ImageType::png)) ||
           data->hasFormat(imageTypeMimeName(ImageType::tiff));
}

void Pasteboard::writeImage(const Bitmap& image, std::function<void()> written) const
{
    if (!QGuiApplication::clipboard() || image.isNull())
        return;
    PendingWrite& pending = pendingWrite();
    const quint64 generation = ++pending.generation;
    pending.image = image;
    QThreadPool::globalInstance()->start([image, generation, written = std::move(written)] {
        QList<std::pair<QString, QByteArray>> encoded;
        for (ImageType type : {ImageType::png, ImageType::tiff}) {
            if (std::optional<QByteArray> bytes = encodeImageData(image, type))
                encoded.append({imageTypeMimeName(type), *bytes});
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [generation, encoded = std::move(encoded), written] {
                PendingWrite& pending = pendingWrite();
                QClipboard* clipboard = QGuiApplication::clipboard();
                if (generation == pending.generation && clipboard) {
                    pending.image.reset();
                    auto data = std::make_unique<QMimeData>();
                    for (const auto& [mime, bytes] : encoded)
                        data->setData(mime, bytes);
                    clipboard->setMimeData(data.release());
                }
                if (written)
                    written();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace velmaris
