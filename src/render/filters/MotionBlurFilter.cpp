#include "render/filters/MotionBlurFilter.h"

#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace velmaris {

namespace {

// Between passes pixels are kept in 8.8 fixed point so that rounding does not pile up.
using WideChannel = std::uint16_t;
constexpr float kWideScale = 256.0f;

// acc[i] += here × row[i] + next × row[i + 4], for the interior part of a shifted row.
template <typename Channel>
void addTwoTaps(const Channel* __restrict row, float here, float next, float* __restrict acc, int count)
{
    forEachIndex(count, [=](int i) { acc[i] += here * float(row[i]) + next * float(row[i + 4]); });
}

// Stores a row of 0–255 values in the 8.8 fixed point kept between passes.
void storeWideRow(const float* __restrict values, WideChannel* __restrict out, int count)
{
    forEachIndex(count, [=](int i) { out[i] = WideChannel(std::min(values[i], 255.0f) * kWideScale + 0.5f); });
}

// acc += weight × (the row shifted left by shift pixels, linearly interpolated), edges repeated.
template <typename Channel>
void addShiftedRow(const Channel* row, int width, double shift, float weight, float* acc)
{
    const double whole = std::floor(shift);
    const int offset = int(whole);
    const float next = weight * float(shift - whole);
    const float here = weight - next;
    const auto tap = [&](int x, int c) {
        return float(row[4 * std::clamp(x, 0, width - 1) + c]);
    };
    const int interiorBegin = std::clamp(-offset, 0, width);
    const int interiorEnd = std::clamp(width - 1 - offset, interiorBegin, width);
    for (int x = 0; x < interiorBegin; ++x)
        for (int c = 0; c < 4; ++c)
            acc[4 * x + c] += here * tap(x + offset, c) + next * tap(x + offset + 1, c);
    addTwoTaps(row + 4 * std::ptrdiff_t(offset + interiorBegin), here, next, acc + 4 * interiorBegin,
               4 * (interiorEnd - interiorBegin));
    for (int x = interiorEnd; x < width; ++x)
        for (int c = 0; c < 4; ++c)
            acc[4 * x + c] += here * tap(x + offset, c) + next * tap(x + offset + 1, c);
}

// acc = one row of a doubling pass: the average of the image sampled at +offset and -offset.
template <typename RowOf>
void averageRow(RowOf rowOf, int width, int height, int y, double offsetX, double offsetY, float inScale, float* acc)
{
    std::fill_n(acc, 4 * std::size_t(width), 0.0f);
    for (const double sign : {-1.0, 1.0}) {
        const double sampleY = y + sign * offsetY;
        const double top = std::floor(sampleY);
        const float below = float(sampleY - top);
        const float weight = 0.5f * inScale;
        const auto addRow = [&](double rowY, float rowWeight) {
            if (rowWeight > 0.0f)
                addShiftedRow(rowOf(int(std::clamp(rowY, 0.0, height - 1.0))), width, sign * offsetX,
                              weight * rowWeight, acc);
        };
        addRow(top, 1.0f - below);
        addRow(top + 1.0, below);
    }
}

// One doubling pass over the whole image.
template <typename RowOf, typename Store>
void averagePass(RowOf rowOf, int width, int height, double offsetX, double offsetY, float inScale, Store store)
{
    parallelRows(height, [&](int begin, int end) {
        std::vector<float> acc(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            averageRow(rowOf, width, height, y, offsetX, offsetY, inScale, acc.data());
            store(y, acc.data());
        }
    });
}

// Along rows every pass reads only its own row, so all passes run on one row while it is in cache,
// with no image-sized planes between them. Same steps as the pass-by-pass order, same result.
void blurAlongRows(const Bitmap& input, BitmapBuilder& output, int passes, double spacing, double directionX)
{
    const int width = input.width(), height = input.height();
    parallelRows(height, [&](int begin, int end) {
        const std::size_t rowValues = 4 * std::size_t(width);
        std::vector<float> acc(rowValues);
        std::vector<WideChannel> front(rowValues), back(rowValues);
        for (int y = begin; y < end; ++y) {
            for (int pass = 0; pass < passes; ++pass) {
                const double offsetX = 0.5 * spacing * std::exp2(pass) * directionX;
                if (pass == 0)
                    averageRow([&](int row) { return input.row(row); }, width, height, y, offsetX, 0.0, 1.0f, acc.data());
                else
                    averageRow([&](int) { return front.data(); }, width, height, y, offsetX, 0.0, 1.0f / kWideScale,
                               acc.data());
                if (pass == passes - 1)
                    narrowToBytes<true>(acc.data(), output.row(y), int(rowValues));
                else {
                    storeWideRow(acc.data(), back.data(), int(rowValues));
                    std::swap(front, back);
                }
            }
        }
    });
}

}  // namespace

Bitmap motionBlurFilter(const Bitmap& input, double radius, double angle)
{
    const int width = input.width(), height = input.height();
    // Beyond the image size a longer line only averages more repeated edge pixels.
    const double length = std::min(2.0 * radius, 2.0 * (width + height) + 2.0);
    if (input.isNull() || !(length >= 0.01) || !std::isfinite(angle))
        return input;
    auto output = BitmapBuilder::createUninitialized(width, height);
    if (!output)
        return input;

    // 2^passes samples, at most a pixel apart, built by repeatedly averaging with a shifted copy.
    const int passes = std::max(1, int(std::ceil(std::log2(length + 1.0))));
    const double spacing = length / (std::exp2(passes) - 1.0);
    const double directionX = std::cos(angle), directionY = -std::sin(angle);  // rows run downwards
    if (directionY == 0) {
        blurAlongRows(input, *output, passes, spacing, directionX);
        return std::move(*output).build();
    }

    const std::size_t rowValues = 4 * std::size_t(width);
    // Every pass writes every value of its plane before the next reads it.
    using Plane = std::unique_ptr<WideChannel[]>;
    Plane front, back;
    if (passes > 1) {
        front = std::make_unique_for_overwrite<WideChannel[]>(rowValues * height);
        back = std::make_unique_for_overwrite<WideChannel[]>(rowValues * height);
    }
    const auto wideRows = [&](Plane& plane) {
        return [&plane, rowValues](int y) -> const WideChannel* { return plane.get() + rowValues * y; };
    };
    const auto storeWide = [&](Plane& plane) {
        return [&plane, rowValues](int y, const float* acc) {
            storeWideRow(acc, plane.get() + rowValues * y, int(rowValues));
        };
    };
    const auto storeFinal = [&](int y, const float* acc) { narrowToBytes<true>(acc, output->row(y), 4 * width); };
    const auto inputRows = [&](int y) { return input.row(y); };

    for (int pass = 0; pass < passes; ++pass) {
        const double offset = 0.5 * spacing * std::exp2(pass);
        const double offsetX = offset * directionX, offsetY = offset * directionY;
        const bool first = pass == 0, last = pass == passes - 1;
        if (first && last)
            averagePass(inputRows, width, height, offsetX, offsetY, 1.0f, storeFinal);
        else if (first)
            averagePass(inputRows, width, height, offsetX, offsetY, 1.0f, storeWide(front));
        else if (last)
            averagePass(wideRows(front), width, height, offsetX, offsetY, 1.0f / kWideScale, storeFinal);
        else
            averagePass(wideRows(front), width, height, offsetX, offsetY, 1.0f / kWideScale, storeWide(back));
        if (!first && !last)
            std::swap(front, back);
    }
    return std::move(*output).build();
}

}  // namespace velmaris
