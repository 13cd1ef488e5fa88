#include "files/GIFEncoder.h"

#include "files/PaletteDither.h"
#include "files/StraightAlpha.h"
#include "render/Parallel.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <vector>

namespace velmaris {

namespace {

struct LiqDelete {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
    void operator()(liq_image* image) const { liq_image_destroy(image); }
    void operator()(liq_result* result) const { liq_result_destroy(result); }
    void operator()(liq_histogram* histogram) const { liq_histogram_destroy(histogram); }
};
using AttrPtr = std::unique_ptr<liq_attr, LiqDelete>;
using ImagePtr = std::unique_ptr<liq_image, LiqDelete>;
using ResultPtr = std::unique_ptr<liq_result, LiqDelete>;
using HistogramPtr = std::unique_ptr<liq_histogram, LiqDelete>;

// The palette is chosen from about this many pixels, evenly spread: on a 12-megapixel photograph
// as close as a palette of every pixel (bench/codec_bench.cpp's GIF errors) in a fraction of the
// time. Every pixel is still mapped and dithered.
constexpr double kPalettePixels = 1 << 16;
// libimagequant's speed, 1 (best) to 10 (fastest): 6 still refines the palette by K-means, which
// costs little on the sample; from 8 the input is posterised and the error grows.
constexpr int kQuantizeSpeed = 6;

struct Coverage {
    bool clear = false;   // some pixel is less than half covered
    bool opaque = false;  // some pixel is at least half covered
};

Coverage coverageOf(const Bitmap& image, int step)
{
    std::atomic<bool> clear = false, opaque = false;
    parallelRows((image.height() + step - 1) / step, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* row = image.row(y * step);
            unsigned lowest = 255, highest = 0;
            for (int x = 0; x < image.width(); x += step) {
                lowest = std::min<unsigned>(lowest, row[4 * x + 3]);
                highest = std::max<unsigned>(highest, row[4 * x + 3]);
            }
            if (lowest < kPaletteOpaqueFrom)
                clear = true;
            if (highest >= kPaletteOpaqueFrom)
                opaque = true;
        }
    });
    return {clear, opaque};
}

// Every step-th pixel of every step-th row as straight RGBA for the palette: less than half
// covered as (0, 0, 0, 0), the rest opaque with its un-premultiplied colour. Cutting at any
// coverage instead would blow faint antialiasing up into saturated noise.
std::vector<std::uint8_t> straightSample(const Bitmap& image, int step, int& sampleWidth, int& sampleHeight)
{
    sampleWidth = (image.width() + step - 1) / step;
    sampleHeight = (image.height() + step - 1) / step;
    std::vector<std::uint8_t> sample(std::size_t(sampleWidth) * sampleHeight * 4);
    parallelRows(sampleHeight, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* in = image.row(y * step);
            std::uint8_t* out = sample.data() + std::size_t(y) * sampleWidth * 4;
            for (int x = 0; x < sampleWidth; ++x) {
                const std::uint8_t* pixel = in + std::size_t(x) * step * 4;
                const unsigned alpha = pixel[3];
                const bool opaque = alpha >= kPaletteOpaqueFrom;
                for (int c = 0; c < 3; ++c)
                    out[4 * x + c] = opaque ? straightChannel(pixel[c], alpha) : 0;
                out[4 * x + 3] = opaque ? 255 : 0;
            }
        }
    });
    return sample;
}

// The palette of a histogram of the image's sample, with a fixed clear entry where the image has
// transparency: that guarantees the one transparent index whatever the histogram looks like.
std::optional<std::vector<PaletteEntry>> paletteFor(const Bitmap& image)
{
    const Coverage coverage = coverageOf(image, 1);
    int step = std::max(1, int(std::ceil(std::sqrt(double(image.width()) * image.height() / kPalettePixels))));
    // A sample that misses every opaque pixel would leave them without a colour.
    if (coverage.opaque && !coverageOf(image, step).opaque)
        step = 1;
    int sampleWidth = 0, sampleHeight = 0;
    const std::vector<std::uint8_t> sample = straightSample(image, step, sampleWidth, sampleHeight);
    AttrPtr attr(liq_attr_create());
    if (!attr || liq_set_speed(attr.get(), kQuantizeSpeed) != LIQ_OK)
        return std::nullopt;
    ImagePtr sampleImage(liq_image_create_rgba(attr.get(), sample.data(), sampleWidth, sampleHeight, 0));
    HistogramPtr histogram(liq_histogram_create(attr.get()));
    if (!sampleImage || !histogram
        || liq_histogram_add_image(histogram.get(), attr.get(), sampleImage.get()) != LIQ_OK
        || (coverage.clear
            && liq_histogram_add_fixed_color(histogram.get(), liq_color{0, 0, 0, 0}, 0) != LIQ_OK))
        return std::nullopt;
    liq_result* rawResult = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &rawResult) != LIQ_OK)
        return std::nullopt;
    const ResultPtr result(rawResult);
    const liq_palette* palette = liq_get_palette(result.get());
    std::vector<PaletteEntry> entries;
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color& color = palette->entries[i];
        entries.push_back(PaletteEntry{color.r, color.g, color.b, std::uint8_t(color.a == 0 ? 0 : 255)});
    }
    return entries;
}

struct Quantized {
    std::vector<std::uint8_t> indices;
    std::vector<GifColorType> colors;
    int transparentIndex = -1;
};

std::optional<Quantized> quantize(const Bitmap& image)
{
    const std::optional<std::vector<PaletteEntry>> palette = paletteFor(image);
    if (!palette)
        return std::nullopt;
    Quantized quantized;
    quantized.indices = ditheredPaletteIndices(image, *palette);
    for (std::size_t i = 0; i < palette->size(); ++i) {
        const PaletteEntry& entry = (*palette)[i];
        quantized.colors.push_back(GifColorType{entry.r, entry.g, entry.b});
        if (entry.a == 0 && quantized.transparentIndex < 0)
            quantized.transparentIndex = int(i);
    }
    return quantized;
}

int appendToByteArray(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

bool writeFrame(GifFileType* gif, int width, int height, Quantized& quantized)
{
    // A GIF colour table has a power-of-two size of at least 2 entries.
    const int bits = GifBitSize(std::max(2, int(quantized.colors.size())));
    quantized.colors.resize(std::size_t(1) << bits, GifColorType{0, 0, 0});
    ColorMapObject colorMap{int(quantized.colors.size()), bits, false, quantized.colors.data()};
    if (EGifPutScreenDesc(gif, width, height, 8, 0, &colorMap) != GIF_OK)
        return false;
    if (quantized.transparentIndex >= 0) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, quantized.transparentIndex};
        GifByteType extension[4];
        const int length = int(EGifGCBToExtension(&control, extension));
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, length, extension) != GIF_OK)
            return false;
    }
    if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_OK)
        return false;
    for (int y = 0; y < height; ++y)
        if (EGifPutLine(gif, quantized.indices.data() + std::size_t(y) * width, width) != GIF_OK)
            return false;
    return true;
}

}  // namespace

std::optional<QByteArray> encodeGIF(const Bitmap& image)
{
    if (image.isNull())
        return std::nullopt;
    std::optional<Quantized> quantized = quantize(image);
    if (!quantized)
        return std::nullopt;
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, appendToByteArray, &error);
    if (!gif)
        return std::nullopt;
    EGifSetGifVersion(gif, true);
    const bool written = writeFrame(gif, image.width(), image.height(), *quantized);
    // Closing writes the trailer and frees the writer, also after a failed frame.
    if (EGifCloseFile(gif, &error) != GIF_OK || !written)
        return std::nullopt;
    return bytes;
}

}  // namespace velmaris
