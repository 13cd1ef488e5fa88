#include "app/ThumbnailCommand.h"

#include "files/FlatDocument.h"
#include "files/OpenImageFile.h"
#include "files/ResampleImage.h"
#include "platform/AtomicWrite.h"
#include "render/Compositor.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

QSize thumbnailSize(QSize picture, int longestSide)
{
    const int longest = std::max(picture.width(), picture.height());
    if (longest <= longestSide)
        return picture;
    const double scale = double(longestSide) / longest;
    const auto side = [&](int length) { return std::max(1, int(std::lround(length * scale))); };
    return QSize(side(picture.width()), side(picture.height()));
}

std::optional<QString> runThumbnail(const ThumbnailRequest& request)
{
    const FileResult<NativeDocument> document = readDocumentFile(request.input);
    if (const auto* error = std::get_if<FileError>(&document))
        return error->withReason();
    const std::optional<Bitmap> composite = renderComposite(std::get<NativeDocument>(document).state);
    if (!composite)
        return FileError::imageNotRendered().message;

    const QSize size = thumbnailSize(QSize(composite->width(), composite->height()), request.size);
    const std::optional<Bitmap> thumbnail =
        size == QSize(composite->width(), composite->height()) ? composite
                                                               : resampleImage(*composite, size.width(), size.height());
    if (!thumbnail)
        return FileError::imageNotRendered().message;
    const std::optional<QByteArray> png = writeFlatDocument(*thumbnail, ImageType::png);
    if (!png)
        return FileError::imageNotEncoded().message;
    if (const std::optional<QString> reason = writeFileAtomically(request.output, *png))
        return QStringLiteral("The file \"%1\" could not be written: %2").arg(request.output, *reason);
    return std::nullopt;
}

}  // namespace velmaris
