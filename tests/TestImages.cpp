#include "TestImages.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

namespace velmaris::test {

Bitmap solidBitmap(int width, int height, Rgba premultiplied)
{
    auto builder = BitmapBuilder::create(width, height);
    builder->fill(premultiplied[0], premultiplied[1], premultiplied[2], premultiplied[3]);
    return std::move(*builder).build();
}

Bitmap randomBitmap(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = builder->row(y);
        for (int x = 0; x < width; ++x) {
            const auto alpha = std::uint8_t(random() % 256);
            for (int c = 0; c < 3; ++c)
                row[4 * x + c] = std::uint8_t(random() % (alpha + 1));
            row[4 * x + 3] = alpha;
        }
    }
    return std::move(*builder).build();
}

Rgba pixelAt(const Bitmap& bitmap, int x, int y)
{
    Rgba pixel;
    std::memcpy(pixel.data(), bitmap.row(y) + 4 * x, 4);
    return pixel;
}

bool samePixels(const Bitmap& a, const Bitmap& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), std::size_t(4) * a.width()) != 0)
            return false;
    return true;
}

bool validPremultiplied(const Bitmap& bitmap)
{
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* row = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x)
            if (row[4 * x] > row[4 * x + 3] || row[4 * x + 1] > row[4 * x + 3] || row[4 * x + 2] > row[4 * x + 3])
                return false;
    }
    return true;
}

Bitmap opaqueRandomBitmap(int width, int height, unsigned seed)
{
    const Bitmap noise = randomBitmap(width, height, seed);
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba p = pixelAt(noise, x, y);
            std::uint8_t* q = builder->row(y) + 4 * x;
            q[0] = p[0], q[1] = std::uint8_t(255 - p[1]), q[2] = p[3], q[3] = 255;
        }
    return std::move(*builder).build();
}

int channelDistance(Rgba a, Rgba b)
{
    int distance = 0;
    for (int c = 0; c < 4; ++c)
        distance = std::max(distance, std::abs(int(a[c]) - int(b[c])));
    return distance;
}

int bitmapDistance(const Bitmap& a, const Bitmap& b)
{
    if (a.size() != b.size())
        return INT_MAX;
    int distance = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int i = 0; i < 4 * a.width(); ++i)
            distance = std::max(distance, std::abs(int(a.row(y)[i]) - int(b.row(y)[i])));
    return distance;
}

Layer bitmapLayer(Bitmap bitmap, QPointF origin, const QString& name)
{
    Layer layer;
    layer.name = name;
    layer.origin = origin;
    layer.content = std::move(bitmap);
    return layer;
}

}  // namespace velmaris::test
