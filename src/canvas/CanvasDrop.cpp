// Dropping image files and images onto the canvas.
#include "canvas/CanvasView.h"
#include "document/LayerStackOperations.h"
#include "files/ImageDecoder.h"

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

// Files that cannot be read or decoded are skipped; each one decodes on its own.
std::optional<DroppedImage> decodeDroppedFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QFileInfo info(path);
    const QString extension = info.suffix().toLower();
    const ImageType type = extension == QLatin1String("svg")
        ? ImageType::svg
        : imageTypeForExtension(extension).value_or(ImageType::png);
    const std::optional<Bitmap> image = decodeImageData(file.readAll(), type);
    if (!image)
        return std::nullopt;
    return DroppedImage{*image, info.completeBaseName()};
}

}  // namespace

void CanvasView::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!droppedImageFiles(*data).isEmpty() || (!data->hasUrls() && data->hasImage())) {
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
    if (!files.isEmpty()) {
        // Decoding runs off the main thread; the layers arrive in the order of the files.
        QPointer<ImageDocument> document = document_;
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
    const QImage image = qvariant_cast<QImage>(event->mimeData()->imageData());
    if (!image.isNull())
        importImageLayer(*document_, Bitmap::fromImage(image), QStringLiteral("Dropped Image"), point);
}

}  // namespace velmaris
