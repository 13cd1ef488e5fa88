#include "render/TransformedImage.h"

#include "render/Orientation.h"
#include "render/Parallel.h"
#include "render/filters/PixelSampler.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace velmaris {

namespace {

constexpr double kSizeTolerance = 0.0001;

// Catmull-Rom: interpolating (1 at 0, 0 at the other integers), sharp, support 2.
double catmullRom(double x)
{
    x = std::abs(x);
    if (x < 1)
        return 1.5 * x * x * x - 2.5 * x * x + 1;
    if (x < 2)
        return -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2;
    return 0;
}

// The quarter turns `rotation` is, when it is one to within rounding noise.
std::optional<int> exactQuarterTurns(double rotation)
{
    const double turns = rotation / (std::numbers::pi / 2);
    const double nearest = std::round(turns);
    if (std::abs(turns - nearest) > 1e-9)
        return std::nullopt;
    return int(std::fmod(nearest, 4.0));
}

// Taps along one source axis for a sample at `position` (pixel centres at +0.5).
struct AxisTaps {
    int first = 0;
    std::vector<float> weights;
};

void fillTaps(AxisTaps& taps, double position, double stretch)
{
    const double centre = position - 0.5;
    const double support = 2 * stretch;
    taps.first = int(std::ceil(centre - support));
    const int last = int(std::floor(centre + support));
    taps.weights.resize(std::size_t(std::max(last - taps.first + 1, 0)));
    double total = 0;
    for (std::size_t k = 0; k < taps.weights.size(); ++k) {
        const double weight = catmullRom((taps.first + int(k) - centre) / stretch);
        taps.weights[k] = float(weight);
        total += weight;
    }
    // Taps beyond the image keep their share of the weight and read as transparent, so edges fade.
    if (total != 0)
        for (float& weight : taps.weights)
            weight = float(weight / total);
}

}  // namespace

QSize transformedSize(QSizeF original, double scaleX, double scaleY, double rotation)
{
    const double width = std::abs(scaleX) * original.width();
    const double height = std::abs(scaleY) * original.height();
    const double cosine = std::cos(rotation), sine = std::sin(rotation);
    const double newWidth = std::ceil(std::abs(cosine * width) + std::abs(sine * height) - kSizeTolerance);
    const double newHeight = std::ceil(std::abs(sine * width) + std::abs(cosine * height) - kSizeTolerance);
    return QSize(int(std::clamp(newWidth, 1.0, double(kMaxBitmapSide + 1))),
                 int(std::clamp(newHeight, 1.0, double(kMaxBitmapSide + 1))));
}

std::optional<Bitmap> renderTransformed(const Bitmap& image, double scaleX, double scaleY, double rotation)
{
    if (image.isNull() || !std::isfinite(scaleX) || !std::isfinite(scaleY) || !std::isfinite(rotation)
        || scaleX == 0 || scaleY == 0)
        return std::nullopt;
    const QSize size = transformedSize(image.size(), scaleX, scaleY, rotation);

    if (std::abs(scaleX) == 1 && std::abs(scaleY) == 1) {
        if (const std::optional<int> quarterTurns = exactQuarterTurns(rotation)) {
            const Bitmap turned = rotatedQuarterTurns(mirrored(image, scaleX < 0, scaleY < 0), *quarterTurns);
            return turned.isNull() ? std::nullopt : std::optional<Bitmap>(turned);
        }
    }

    std::optional<BitmapBuilder> builder = BitmapBuilder::create(size.width(), size.height());
    if (!builder)
        return std::nullopt;

    // Each output pixel centre is mapped back into the source: undo the centring, the turn and the
    // scale. Shrinking widens the kernel along that source axis so that detail is averaged, not aliased.
    const double cosine = std::cos(rotation), sine = std::sin(rotation);
    const double stretchX = std::max(1.0, 1.0 / std::abs(scaleX));
    const double stretchY = std::max(1.0, 1.0 / std::abs(scaleY));
    const double halfOutW = size.width() / 2.0, halfOutH = size.height() / 2.0;
    const double halfInW = image.width() / 2.0, halfInH = image.height() / 2.0;
    const int width = image.width(), height = image.height();

    parallelRows(size.height(), [&](int firstRow, int endRow) {
        AxisTaps tapsX, tapsY;
        for (int y = firstRow; y < endRow; ++y) {
            std::uint8_t* out = builder->row(y);
            const double dy = y + 0.5 - halfOutH;
            for (int x = 0; x < size.width(); ++x) {
                const double dx = x + 0.5 - halfOutW;
                const double u = (dx * cosine + dy * sine) / scaleX + halfInW;
                const double v = (dy * cosine - dx * sine) / scaleY + halfInH;
                Rgbaf sum{};
                const double reachX = 2 * stretchX, reachY = 2 * stretchY;
                if (u > -reachX && u < width + reachX && v > -reachY && v < height + reachY) {
                    fillTaps(tapsX, u, stretchX);
                    fillTaps(tapsY, v, stretchY);
                    const int firstColumn = std::max(tapsX.first, 0);
                    const int endColumn = std::min(tapsX.first + int(tapsX.weights.size()), width);
                    for (std::size_t j = 0; j < tapsY.weights.size(); ++j) {
                        const int row = tapsY.first + int(j);
                        if (row < 0 || row >= height)
                            continue;
                        const std::uint8_t* source = image.row(row);
                        Rgbaf rowSum{};
                        for (int column = firstColumn; column < endColumn; ++column) {
                            const float weight = tapsX.weights[std::size_t(column - tapsX.first)];
                            const std::uint8_t* pixel = source + 4 * column;
                            for (int c = 0; c < 4; ++c)
                                rowSum[c] += weight * pixel[c];
                        }
                        for (int c = 0; c < 4; ++c)
                            sum[c] += tapsY.weights[j] * rowSum[c];
                    }
                }
                storePremultiplied(out + 4 * x, sum);
            }
        }
    }, 4);
    return std::move(*builder).build();
}

}  // namespace velmaris
