// Decoding hostile bytes of every flat type must fail cleanly, never crash or overrun.
#include "files/ImageDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the type, as a file's extension would.
    const auto type = velmaris::ImageType(data[0] % 6);
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    (void)velmaris::decodeImageData(bytes, type);
    return 0;
}
