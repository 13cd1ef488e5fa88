#include "files/GIFEncoder.h"

#include "render/Parallel.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace velmaris {

namespace {

struct LiqDelete {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
    void operator()(liq_image* image) const { liq_image_destroy(image); }
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};
using AttrPtr = std::unique_ptr<liq_attr, LiqDelete>;
using ImagePtr = std::unique_ptr<liq_image, LiqDelete>;
using ResultPtr = std::unique_ptr<liq_result, LiqDelete>;

constexpr unsigned kOpaqueFrom = 128;

// GIF has one bit of alpha, cut at half: pixels less than half covered become (0, 0, 0, 0), all
// others opaque with their un-premultiplied colour. Cutting at any coverage instead would blow
// faint antialiasing up into saturated noise. Returns whether any pixel is transparent.
bool straightOpaqueOrClear(const Bitmap& image, std::vector<std::uint8_t>& out)
{
    const int width = image.width();
    out.resize(std::size_t(width) * image.height() * 4);
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* in = image.row(y);
            std::uint8_t* row = out.data() + std::size_t(y) * width * 4;
            for (int x = 0; x < width; ++x) {
                const unsigned alpha = in[4 * x + 3];
                const bool opaque = alpha >= kOpaqueFrom;
                const unsigned half = alpha / 2, divisor = std::max(alpha, 1u);
                for (int c = 0; c < 3; ++c)
                    row[4 * x + c] = opaque ? std::uint8_t(std::min(255u, (in[4 * x + c] * 255u + half) / divisor)) : 0;
                row[4 * x + 3] = opaque ? 255 : 0;
            }
        }
    });
    for (std::size_t i = 3; i < out.size(); i += 4)
        if (out[i] == 0)
            return true;
    return false;
}

struct Quantized {
    std::vector<std::uint8_t> indices;
    std::vector<GifColorType> colors;
    int transparentIndex = -1;
};

std::optional<Quantized> quantize(const Bitmap& image)
{
    std::vector<std::uint8_t> rgba;
    const bool hasTransparency = straightOpaqueOrClear(image, rgba);
    AttrPtr attr(liq_attr_create());
    if (!attr)
        return std::nullopt;
    ImagePtr input(liq_image_create_rgba(attr.get(), rgba.data(), image.width(), image.height(), 0));
    // A fixed clear entry guarantees the one transparent index whatever the histogram looks like.
    if (!input || (hasTransparency && liq_image_add_fixed_color(input.get(), liq_color{0, 0, 0, 0}) != LIQ_OK))
        return std::nullopt;
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(input.get(), attr.get(), &rawResult) != LIQ_OK)
        return std::nullopt;
    ResultPtr result(rawResult);
    liq_set_dithering_level(result.get(), 1.0f);

    Quantized quantized;
    quantized.indices.resize(std::size_t(image.width()) * image.height());
    if (liq_write_remapped_image(result.get(), input.get(), quantized.indices.data(), quantized.indices.size())
        != LIQ_OK)
        return std::nullopt;
    const liq_palette* palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color& color = palette->entries[i];
        quantized.colors.push_back(GifColorType{color.r, color.g, color.b});
        if (color.a == 0 && quantized.transparentIndex < 0)
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
