#include "files/PackBits.h"

#include <algorithm>
#include <cstring>

namespace velmaris {

qsizetype packBitsRow(const std::uint8_t* row, qsizetype size, std::uint8_t* out)
{
    std::uint8_t* const start = out;
    qsizetype i = 0;
    while (i < size) {
        // A packet starting with two or more equal bytes repeats them; a literal runs on until three
        // equal bytes follow (two would cost as much inside it as a repeat of their own).
        qsizetype run = 1;
        while (i + run < size && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            *out++ = std::uint8_t(1 - run);
            *out++ = row[i];
            i += run;
            continue;
        }
        const qsizetype first = i;
        while (i < size && i - first < 128) {
            if (i + 2 < size && row[i] == row[i + 1] && row[i] == row[i + 2])
                break;
            ++i;
        }
        *out++ = std::uint8_t(i - first - 1);
        std::memcpy(out, row + first, size_t(i - first));
        out += i - first;
    }
    return out - start;
}

bool unpackBitsRow(const std::uint8_t* packed, qsizetype packedSize, std::uint8_t* row, qsizetype size)
{
    qsizetype in = 0;
    qsizetype out = 0;
    while (in < packedSize) {
        const int header = std::int8_t(packed[in++]);
        if (header >= 0) {
            const qsizetype count = header + 1;
            if (count > packedSize - in || count > size - out)
                return false;
            std::memcpy(row + out, packed + in, size_t(count));
            in += count;
            out += count;
        } else if (header != -128) {
            const qsizetype count = 1 - header;
            if (in >= packedSize || count > size - out)
                return false;
            std::memset(row + out, packed[in++], size_t(count));
            out += count;
        }
    }
    return out == size;
}

}  // namespace velmaris
