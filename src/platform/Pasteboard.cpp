#include "platform/Pasteboard.h"

#include "files/DecodeHelper.h"
#include "files/ImageEncoder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThreadPool>

#include <algorithm>
#include <iterator>

namespace velmaris {

namespace {

// The types taken from other programs, in order of preference; each is decoded by the decode helper.
constexpr ImageType kPastedTypes[] = {ImageType::png, ImageType::tiff, ImageType::jpeg, ImageType::gif, ImageType::bmp};

// An image this process put on the clipboard itself: nothing to decode.
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
    if (std::optional<Bitmap> image = decodeOfferedImage(offeredImageData(*data)))
        return image;
    // Another program's image in any other type would reach whichever decoder Qt picks, in this
    // process and without limits.
    if (!clipboard->ownsClipboard() || !data->hasImage())
        return std::nullopt;
    return clipboardImage(*clipboard);
}

}  // namespace

QList<std::pair<ImageType, QByteArray>> offeredImageData(const QMimeData& data)
{
    QList<std::pair<ImageType, QByteArray>> offered;
    for (ImageType type : kPastedTypes) {
        if (data.hasFormat(imageTypeMimeName(type)))
            offered.append({type, data.data(imageTypeMimeName(type))});
    }
    return offered;
}

std::optional<Bitmap> decodeOfferedImage(const QList<std::pair<ImageType, QByteArray>>& offered)
{
    for (const auto& [type, bytes] : offered) {
        FileResult<Bitmap> decoded = decodeUntrustedImage(bytes, type);
        if (auto* image = std::get_if<Bitmap>(&decoded))
            return std::move(*image);
    }
    return std::nullopt;
}

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
    if (clipboard->ownsClipboard() && data->hasImage())
        return true;
    return std::any_of(std::begin(kPastedTypes), std::end(kPastedTypes),
                       [data](ImageType type) { return data->hasFormat(imageTypeMimeName(type)); });
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
