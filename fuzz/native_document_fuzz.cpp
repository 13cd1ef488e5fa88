// Reading hostile bytes as a native document must fail with a format error or give whole contents,
// never crash or overrun.
#include "files/VelmarisImageFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)velmaris::VelmarisImageFormat::decode(bytes);
    return 0;
}
