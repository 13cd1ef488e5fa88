#include "platform/Pasteboard.h"

#include "files/DecodeHelper.h"
#include "files/ImageEncoder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <iterator>

namespace velmaris {

namespace {

// The types taken from other programs, in order of preference; each is decoded by the decode helper.
constexpr ImageType kPastedTypes[] = {ImageType::png, ImageType::tiff, ImageType::jpeg, ImageType::gif, ImageType::bmp};

// An image object without data in any image type: one put there by this process, which needs no
// decoding. (Another program's image arrives as data in its types, which Qt would decode itself
// into an image object with whichever decoder it picks.)
bool offersOwnImage(const QMimeData& data)
{
    return data.hasImage() && data.formats() == QStringList{QStringLiteral("application/x-qt-image")};
}

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

}  // namespace

bool offersImageData(const QMimeData& data)
{
    return std::any_of(std::begin(kPastedTypes), std::end(kPastedTypes),
                       [&data](ImageType type) { return data.hasFormat(imageTypeMimeName(type)); });
}

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

void Pasteboard::readImage(const QObject* receiver, std::function<void(std::optional<Bitmap>)> done) const
{
    if (const std::optional<Bitmap>& pending = pendingWrite().image) {
        done(pending);
        return;
    }
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data) {
        done(std::nullopt);
        return;
    }
    std::optional<Bitmap> ownImage = offersOwnImage(*data) ? clipboardImage(*clipboard) : std::nullopt;
    QList<std::pair<ImageType, QByteArray>> offered = offeredImageData(*data);
    if (offered.isEmpty()) {
        done(std::move(ownImage));
        return;
    }
    QThreadPool::globalInstance()->start([offered = std::move(offered), ownImage = std::move(ownImage),
                                          receiver = QPointer<const QObject>(receiver), done = std::move(done)] {
        std::optional<Bitmap> image = decodeOfferedImage(offered);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [receiver, done, image = image ? std::move(image) : ownImage] {
                if (receiver)
                    done(image);
            },
            Qt::QueuedConnection);
    });
}

bool Pasteboard::offersImage() const
{
    if (pendingWrite().image)
        return true;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return false;
    return offersOwnImage(*data) || offersImageData(*data);
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
