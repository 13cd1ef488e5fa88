#include "files/FlatDocument.h"

#include "files/FlattenOnWhite.h"
#include "files/ImageEncoder.h"
#include "files/JPEGEncoder.h"
#include "files/SVGWrapper.h"

namespace velmaris {

std::optional<QByteArray> writeFlatDocument(const Bitmap& composite, ImageType type, std::optional<double> quality,
                                            const ImageMetadata& metadata)
{
    switch (type) {
    case ImageType::svg:
        return makeSVGWrapper(composite);
    case ImageType::jpeg:
        // Flattened row by row as the encoder takes them, without a flattened copy of the image.
        return encodeJPEG(composite, quality, JpegBackground::white);
    case ImageType::bmp:
        return encodeImageData(flattenedOnWhite(composite), type, quality);
    case ImageType::png:
    case ImageType::gif:
    case ImageType::tiff:
        return encodeImageData(composite, type, quality);
    case ImageType::heif:
    case ImageType::avif:
    case ImageType::webp:
    case ImageType::jxl:
        return encodeImageData(composite, type, quality, metadata);
    }
    return std::nullopt;
}

}  // namespace velmaris
