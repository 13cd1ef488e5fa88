// Dropping image files and images onto the canvas.
#include "canvas/CanvasView.h"
#include "document/LayerStackOperations.h"
#include "files/DecodeHelper.h"
#include "files/DocumentType.h"
#include "platform/Pasteboard.h"
#include "render/Compositor.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPointer>
#include <QThreadPool>
#include <QUrl>

namespace velmaris {

namespace {

struct DroppedImage {
    Bitmap image;
    QString name;
};

// Local files whose content type is an image (SVG included); nothing else is accepted.
QStringList droppedImageFiles(const QMimeData& data)
{
    QStringList files;
    const QMimeDatabase types;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isFile() && types.mimeTypeForFile(path).name().startsWith(QLatin1String("image/")))
            files.append(path);
    }
    return files;
}

// Files that cannot be read or decoded are skipped; each one decodes on its own, in the decode helper.
std::optional<DroppedImage> decodeDroppedFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QFileInfo info(path);
    // A layered document lands as one layer showing what it shows.
    if (const std::optional<QString> typeName = typeNameForPath(path); typeName && isLayeredType(*typeName)
        && !isNativeType(*typeName)) {
        const FileResult<NativeDocument> document = decodeUntrustedDocument(file.readAll(), *typeName);
        const auto* read = std::get_if<NativeDocument>(&document);
        std::optional<Bitmap> composite = read ? renderComposite(read->state) : std::nullopt;
        if (!composite)
            return std::nullopt;
        return DroppedImage{std::move(*composite), info.completeBaseName()};
    }
    const QString extension = info.suffix().toLower();
    const ImageType type = extension == QLatin1String("svg")
        ? ImageType::svg
        : imageTypeForExtension(extension).value_or(ImageType::png);
    FileResult<Bitmap> image = decodeUntrustedImage(file.readAll(), type);
    if (!std::holds_alternative<Bitmap>(image))
        return std::nullopt;
    return DroppedImage{std::move(std::get<Bitmap>(image)), info.completeBaseName()};
}

}  // namespace

void CanvasView::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!droppedImageFiles(*data).isEmpty() || (!data->hasUrls() && (data->hasImage() || offersImageData(*data)))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CanvasView::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CanvasView::dropEvent(QDropEvent* event)
{

    if (!document_)
        return;
    const QPointF point = canvasPoint(event->position());
    const QStringList files = droppedImageFiles(*event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QPointer<ImageDocument> document = document_;
    if (!files.isEmpty()) {
        // Decoding runs off the main thread; the layers arrive in the order of the files.
        QThreadPool::globalInstance()->start([document, files, point] {
            QVector<DroppedImage> images;
            for (const QString& path : files)
                if (std::optional<DroppedImage> image = decodeDroppedFile(path))
                    images.append(std::move(*image));
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [document, images, point] {
                    for (const DroppedImage& image : images)
                        if (document)
                            importImageLayer(*document, image.image, image.name, point);
                },
                Qt::QueuedConnection);
        });
        return;
    }
    // A drag from this application carries its image itself; another program's image data is
    // decoded by the decode helper, off the main thread.
    if (event->source()) {
        const QImage image = qvariant_cast<QImage>(event->mimeData()->imageData());
        if (!image.isNull())
            importImageLayer(*document_, Bitmap::fromImage(image), QStringLiteral("Dropped Image"), point);
        return;
    }
    QThreadPool::globalInstance()->start([document, offered = offeredImageData(*event->mimeData()), point] {
        std::optional<Bitmap> image = decodeOfferedImage(offered);
        if (!image)
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [document, image = std::move(*image), point] {
                if (document)
                    importImageLayer(*document, image, QStringLiteral("Dropped Image"), point);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace velmaris
