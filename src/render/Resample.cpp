#include "render/Resample.h"

#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace velmaris {

namespace {

constexpr double kLobes = 3.0;

double lanczos(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= kLobes)
        return 0.0;
    const double pix = std::numbers::pi * x;
    return kLobes * std::sin(pix) * std::sin(pix / kLobes) / (pix * pix);
}

// The source samples and weights of every output sample along one axis. Samples beyond the edge
// repeat the edge sample, so their weights are folded onto it.
struct Taps {
    int stride = 0;                // weights per output sample
    std::vector<int> first;        // first source sample
    std::vector<int> count;        // samples used
    std::vector<float> weights;    // stride per output sample

    const float* weightsOf(int i) const { return weights.data() + std::size_t(i) * stride; }
};

Taps makeTaps(int sourceSize, int targetSize)
{
    const double scale = double(targetSize) / sourceSize;
    // When shrinking the kernel is stretched so that it also removes what the smaller grid cannot hold.
    const double stretch = std::max(1.0, 1.0 / scale);
    const double support = kLobes * stretch;
    Taps taps;
    taps.stride = std::min(sourceSize, int(std::floor(2 * support)) + 1);
    taps.first.resize(targetSize);
    taps.count.resize(targetSize);
    taps.weights.assign(std::size_t(targetSize) * taps.stride, 0.0f);
    std::vector<double> folded(taps.stride);
    for (int i = 0; i < targetSize; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        const int low = int(std::ceil(centre - support));
        const int high = int(std::floor(centre + support));
        const int first = std::min(std::max(low, 0), sourceSize - taps.stride);
        std::fill(folded.begin(), folded.end(), 0.0);
        double total = 0;
        for (int j = low; j <= high; ++j) {
            const double weight = lanczos((j - centre) / stretch);
            folded[std::clamp(j, 0, sourceSize - 1) - first] += weight;
            total += weight;
        }
        // Exact zeros at the ends (an unchanged axis has nothing but) cost time and add nothing.
        int begin = 0, end = taps.stride;
        while (begin < end && folded[begin] == 0.0)
            ++begin;
        while (end > begin && folded[end - 1] == 0.0)
            --end;
        taps.first[i] = first + begin;
        taps.count[i] = end - begin;
        for (int k = begin; k < end; ++k)
            taps.weights[std::size_t(i) * taps.stride + k - begin] = float(folded[k] / total);
    }
    return taps;
}

void setWeighted(float* __restrict line, const std::uint8_t* __restrict row, float weight, int samples)
{
    forEachIndex(samples, [&](int x) { line[x] = weight * float(row[x]); });
}

void addWeightedPair(float* __restrict line, const std::uint8_t* __restrict row0, const std::uint8_t* __restrict row1,
                     float weight0, float weight1, int samples)
{
    forEachIndex(samples, [&](int x) { line[x] += weight0 * float(row0[x]) + weight1 * float(row1[x]); });
}

// line[x] = Σ weights[t] × source row (firstRow + t)[x], two source rows per sweep of the line.
void gatherRows(float* line, const Bitmap& image, int firstRow, const float* weights, int count, int samples)
{
    int t = 0;
    if (count % 2 == 1) {
        setWeighted(line, image.row(firstRow), weights[0], samples);
        t = 1;
    } else {
        std::fill(line, line + samples, 0.0f);
    }
    for (; t < count; t += 2)
        addWeightedPair(line, image.row(firstRow + t), image.row(firstRow + t + 1), weights[t], weights[t + 1], samples);
}

// One output row of RGBA floats from a line of RGBA floats.
void resampleLine(const float* __restrict line, float* __restrict target, const Taps& taps, int width)
{
    for (int x = 0; x < width; ++x) {
        const float* weights = taps.weightsOf(x);
        const float* source = line + std::size_t(taps.first[x]) * 4;
        float sum[4] = {};
        for (int t = 0; t < taps.count[x]; ++t)
            for (int c = 0; c < 4; ++c)
                sum[c] += weights[t] * source[4 * t + c];
        for (int c = 0; c < 4; ++c)
            target[4 * x + c] = sum[c];
    }
}

}  // namespace

// Each output row is made in one go: the vertical filter gathers a full-width float line from the
// source rows it needs, then the horizontal filter reduces that line. No intermediate image.
std::optional<Bitmap> resampleBitmap(const Bitmap& image, int width, int height)
{
    if (image.isNull() || !bitmapSizeAllowed(width, height))
        return std::nullopt;
    if (width == image.width() && height == image.height())
        return image;
    auto builder = BitmapBuilder::create(width, height);
    if (!builder)
        return std::nullopt;
    const Taps horizontal = makeTaps(image.width(), width);
    const Taps vertical = makeTaps(image.height(), height);
    const int sourceSamples = image.width() * 4;
    parallelRows(height, [&](int firstRow, int endRow) {
        std::vector<float> line(sourceSamples), target(std::size_t(width) * 4);
        for (int y = firstRow; y < endRow; ++y) {
            gatherRows(line.data(), image, vertical.first[y], vertical.weightsOf(y), vertical.count[y], sourceSamples);
            resampleLine(line.data(), target.data(), horizontal, width);
            narrowToBytes<true>(target.data(), builder->row(y), width * 4);
        }
    });
    return std::move(*builder).build();
}

}  // namespace velmaris
