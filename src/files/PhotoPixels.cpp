#include "files/PhotoPixels.h"

#include "files/StraightAlpha.h"
#include "render/Parallel.h"

#include <QColorSpace>

#include <atomic>
#include <cstring>

namespace velmaris {

bool bitmapIsOpaque(const Bitmap& image)
{
    std::atomic<bool> opaque = true;
    const int width = image.width();
    parallelRows(image.height(), [&](int first, int end) {
        for (int y = first; y < end && opaque.load(std::memory_order_relaxed); ++y) {
            const std::uint8_t* in = image.row(y);
            unsigned all = 255;
            for (int x = 0; x < width; ++x)
                all &= in[4 * x + 3];
            if (all != 255)
                opaque = false;
        }
    });
    return opaque;
}

void writeStraightPixels(const Bitmap& image, std::uint8_t* out, std::ptrdiff_t stride, int channels)
{
    const int width = image.width();
    parallelRows(image.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = image.row(y);
            std::uint8_t* row = out + stride * y;
            if (channels == 3) {
                // Opaque pixels: premultiplied colour is the straight colour.
                for (int x = 0; x < width; ++x) {
                    row[3 * x] = in[4 * x];
                    row[3 * x + 1] = in[4 * x + 1];
                    row[3 * x + 2] = in[4 * x + 2];
                }
                continue;
            }
            for (int x = 0; x < width; ++x) {
                const unsigned alpha = in[4 * x + 3];
                if (alpha == 255) {
                    std::memcpy(row + 4 * x, in + 4 * x, 4);
                } else {
                    for (int c = 0; c < 3; ++c)
                        row[4 * x + c] = straightChannel(in[4 * x + c], alpha);
                    row[4 * x + 3] = std::uint8_t(alpha);
                }
            }
        }
    });
}

Bitmap bitmapFromDecoded(QImage image, const QByteArray& iccProfile)
{
    if (!iccProfile.isEmpty()) {
        const QColorSpace space = QColorSpace::fromIccProfile(iccProfile);
        if (space.isValid())
            image.setColorSpace(space);
    }
    return Bitmap::fromImage(std::move(image));
}

}  // namespace velmaris
