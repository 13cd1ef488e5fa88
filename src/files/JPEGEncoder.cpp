#include "files/JPEGEncoder.h"

#include "files/FlattenOnWhite.h"
#include "files/StraightAlpha.h"

#include <QColorSpace>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace velmaris {

namespace {

constexpr int kDefaultQuality = 75;
// One row of 16 × 16 blocks, what the encoder takes at a time at 4:2:0.
constexpr int kBatchRows = 16;

struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// libjpeg must not return from a fatal error: it jumps back to encodeJPEG, which gives up.
[[noreturn]] void jumpOut(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

void ignoreMessage(j_common_ptr) {}

bool rowIsOpaque(const std::uint8_t* row, int width)
{
    unsigned all = 255;
    for (int x = 0; x < width; ++x)
        all &= row[4 * x + 3];
    return all == 255;
}

void convertRow(const std::uint8_t* in, std::uint8_t* out, int width, JpegBackground background)
{
    if (background == JpegBackground::white) {
        flattenRowOnWhite(in, out, width);
        return;
    }
    for (int i = 0; i < 4 * width; i += 4)
        for (int c = 0; c < 3; ++c)
            out[i + c] = straightChannel(in[i + c], in[i + 3]);
}

}  // namespace

std::optional<QByteArray> encodeJPEG(const Bitmap& image, std::optional<double> quality, JpegBackground background)
{
    if (image.isNull())
        return std::nullopt;
    const int width = image.width(), height = image.height();
    const QByteArray profile = image.image().colorSpace().iccProfile();
    std::vector<std::uint8_t> converted(std::size_t(kBatchRows) * width * 4);
    jpeg_compress_struct info{};
    ErrorJump error{};
    // Written by libjpeg through their addresses, which it keeps: still valid after a jump.
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jumpOut;
    error.manager.output_message = ignoreMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(output);
        return std::nullopt;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &output, &outputSize);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    // The fourth byte of each pixel is skipped, so opaque rows need no conversion at all.
    info.input_components = 4;
    info.in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality ? int(std::lround(100 * std::clamp(*quality, 0.0, 1.0))) : kDefaultQuality, TRUE);
    if (image.image().dotsPerMeterX() > 0 && image.image().dotsPerMeterY() > 0) {
        info.density_unit = 1;  // dots per inch
        info.X_density = UINT16(std::lround(image.image().dotsPerMeterX() * 0.0254));
        info.Y_density = UINT16(std::lround(image.image().dotsPerMeterY() * 0.0254));
    }
    jpeg_start_compress(&info, TRUE);
    if (!profile.isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(profile.constData()), unsigned(profile.size()));
    while (info.next_scanline < info.image_height) {
        const int first = int(info.next_scanline);
        const int count = std::min(kBatchRows, height - first);
        JSAMPROW rows[kBatchRows];
        for (int k = 0; k < count; ++k) {
            const std::uint8_t* row = image.row(first + k);
            if (rowIsOpaque(row, width)) {
                rows[k] = const_cast<JSAMPROW>(row);  // libjpeg only reads its input rows
            } else {
                rows[k] = converted.data() + std::size_t(k) * width * 4;
                convertRow(row, rows[k], width, background);
            }
        }
        jpeg_write_scanlines(&info, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(output), qsizetype(outputSize));
    jpeg_destroy_compress(&info);
    std::free(output);
    return bytes;
}

}  // namespace velmaris
