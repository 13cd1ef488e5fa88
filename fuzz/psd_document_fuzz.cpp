// Reading hostile bytes as a PSD document must fail with the read error or give whole layers,
// never crash, overrun or allocate more than the data can describe.
#include "files/PSDDocument.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)velmaris::readPSDDocument(bytes);
    return 0;
}
