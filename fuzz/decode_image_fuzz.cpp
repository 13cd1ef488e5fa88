// Decoding hostile bytes of every flat type and every layered document type must fail cleanly,
// never crash or overrun.
#include "files/ImageDecoder.h"
#include "files/ImageMetadataIO.h"
#include "files/LayeredDocument.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the type, as a file's extension would: the six flat types, then the
    // layered formats (6 is OpenRaster).
    constexpr unsigned kFlatTypes = 6;
    const unsigned pick = data[0] % (kFlatTypes + velmaris::kLayeredFormatCount);
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (pick < kFlatTypes) {
        const auto type = velmaris::ImageType(pick);
        (void)velmaris::decodeImageData(bytes, type);
        // The helper reads the metadata of every raster file it decodes.
        if (type != velmaris::ImageType::svg)
            (void)velmaris::readImageMetadata(bytes);
    } else {
        (void)velmaris::readLayeredDocument(bytes, velmaris::LayeredFormat(pick - kFlatTypes));
    }
    return 0;
}
