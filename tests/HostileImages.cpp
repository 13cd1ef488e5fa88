#include "HostileImages.h"

namespace velmaris::test {

namespace {

QByteArray bigEndian16(int value)
{
    QByteArray bytes;
    bytes.append(char(value >> 8)).append(char(value & 0xFF));
    return bytes;
}

}  // namespace

// A progressive JPEG of one 4096 × 4096 component whose DC scan is followed by `scans` repeats of
// the same AC scan. Each scan is a few bytes (every block ends at once: an end-of-band run of
// 16384 blocks per 15 bits) yet makes the decoder visit all 262144 blocks.
QByteArray progressiveJpegWithScans(int scans)
{
    constexpr int side = 4096, blocks = (side / 8) * (side / 8);
    QByteArray jpeg("\xFF\xD8", 2);
    jpeg += QByteArray("\xFF\xDB\x00\x43\x00", 5) + QByteArray(64, '\x01');
    jpeg += QByteArray("\xFF\xC2\x00\x0B\x08", 5) + bigEndian16(side) + bigEndian16(side)
        + QByteArray("\x01\x01\x11\x00", 4);
    // One code, '0': difference 0 for DC, an end-of-band run of 2^14 for AC.
    const QByteArray oneCode = QByteArray(1, '\x01') + QByteArray(15, '\0');
    jpeg += QByteArray("\xFF\xC4\x00\x14\x00", 5) + oneCode + QByteArray(1, '\x00');
    jpeg += QByteArray("\xFF\xC4\x00\x14\x10", 5) + oneCode + QByteArray(1, '\xE0');
    jpeg += QByteArray("\xFF\xDA\x00\x08\x01\x01\x00\x00\x00\x00", 10) + QByteArray(blocks / 8, '\0');
    const QByteArray acScan = QByteArray("\xFF\xDA\x00\x08\x01\x01\x00\x01\x3F\x00", 10)
        + QByteArray((blocks / 16384 * 15 + 7) / 8, '\0');
    for (int scan = 0; scan < scans; ++scan)
        jpeg += acScan;
    return jpeg + QByteArray("\xFF\xD9", 2);
}

}  // namespace velmaris::test
