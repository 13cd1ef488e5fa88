#include "files/JXLCodec.h"

#include "files/PhotoPixels.h"

#include <jxl/decode_cxx.h>
#include <jxl/encode_cxx.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmaris {

namespace {

JxlThreadParallelRunnerPtr makeRunner()
{
    return JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
}

struct Decoded {
    QSize size;  // upright
    QImage image;
    QByteArray iccProfile;
};

// Decodes as far as `until` (the basic info, or the first full frame). The size is checked against
// the bitmap limits as soon as the header gives it.
std::optional<Decoded> decode(const QByteArray& data, JxlDecoderStatus until)
{
    const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    if (!decoder)
        return std::nullopt;
    JxlThreadParallelRunnerPtr runner;
    int events = JXL_DEC_BASIC_INFO;
    if (until == JXL_DEC_FULL_IMAGE) {
        runner = makeRunner();
        if (!runner || JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS)
            return std::nullopt;
        events |= JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE;
    }
    if (JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS
        || JxlDecoderSetUnpremultiplyAlpha(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS
        || JxlDecoderSetInput(decoder.get(), reinterpret_cast<const std::uint8_t*>(data.constData()),
                              std::size_t(data.size()))
            != JXL_DEC_SUCCESS)
        return std::nullopt;
    JxlDecoderCloseInput(decoder.get());

    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    Decoded decoded;
    bool alpha = false;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
        switch (status) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                return std::nullopt;
            // Orientations 5 to 8 turn the image a quarter.
            decoded.size = info.orientation > 4 ? QSize(int(info.ysize), int(info.xsize))
                                                : QSize(int(info.xsize), int(info.ysize));
            if (!bitmapSizeAllowed(info.xsize, info.ysize))
                return std::nullopt;
            alpha = info.alpha_bits > 0;
            if (until == JXL_DEC_BASIC_INFO)
                return decoded;
            break;
        }
        case JXL_DEC_COLOR_ENCODING: {
            std::size_t size = 0;
            if (JxlDecoderGetICCProfileSize(decoder.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size)
                    == JXL_DEC_SUCCESS
                && size > 0) {
                decoded.iccProfile.resize(qsizetype(size));
                if (JxlDecoderGetColorAsICCProfile(decoder.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                                   reinterpret_cast<std::uint8_t*>(decoded.iccProfile.data()), size)
                    != JXL_DEC_SUCCESS)
                    decoded.iccProfile.clear();
            }
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            // Opaque images come with alpha 255, which is already premultiplied.
            decoded.image = QImage(decoded.size, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBA8888_Premultiplied);
            std::size_t size = 0;
            if (decoded.image.isNull() || JxlDecoderImageOutBufferSize(decoder.get(), &format, &size) != JXL_DEC_SUCCESS
                || size != std::size_t(decoded.image.sizeInBytes())
                || JxlDecoderSetImageOutBuffer(decoder.get(), &format, decoded.image.bits(), size) != JXL_DEC_SUCCESS)
                return std::nullopt;
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            return decoded;
        default:
            // Errors, and input ending before the image (a truncated file).
            return std::nullopt;
        }
    }
}

// The encoder's distance for a quality, as its own command-line tool maps them: 90 is a distance
// of 1 (visually lossless), lower qualities fall off faster below 30.
float distanceForQuality(int quality)
{
    const double distance = quality >= 30 ? 0.1 + (100 - quality) * 0.09 : 6.4 + std::pow(2.5, (30 - quality) / 5.0) / 6.25;
    return float(std::min(distance, 15.0));
}

bool addBoxes(JxlEncoder* encoder, const ImageMetadata& metadata)
{
    if (metadata.exif.isEmpty() && metadata.xmp.isEmpty())
        return true;
    if (JxlEncoderUseContainer(encoder, JXL_TRUE) != JXL_ENC_SUCCESS || JxlEncoderUseBoxes(encoder) != JXL_ENC_SUCCESS)
        return false;
    if (!metadata.exif.isEmpty()) {
        // The box starts with the offset of the TIFF header in what follows: none.
        const QByteArray exif = QByteArray(4, '\0') + metadata.exif;
        if (JxlEncoderAddBox(encoder, "Exif", reinterpret_cast<const std::uint8_t*>(exif.constData()),
                             std::size_t(exif.size()), JXL_FALSE)
            != JXL_ENC_SUCCESS)
            return false;
    }
    if (!metadata.xmp.isEmpty()
        && JxlEncoderAddBox(encoder, "xml ", reinterpret_cast<const std::uint8_t*>(metadata.xmp.constData()),
                            std::size_t(metadata.xmp.size()), JXL_FALSE)
            != JXL_ENC_SUCCESS)
        return false;
    JxlEncoderCloseBoxes(encoder);
    return true;
}

}  // namespace

std::optional<QSize> declaredJXLSize(const QByteArray& data)
{
    const std::optional<Decoded> header = decode(data, JXL_DEC_BASIC_INFO);
    return header ? std::optional(header->size) : std::nullopt;
}

std::optional<Bitmap> decodeJXL(const QByteArray& data)
{
    std::optional<Decoded> decoded = decode(data, JXL_DEC_FULL_IMAGE);
    if (!decoded)
        return std::nullopt;
    return bitmapFromDecoded(std::move(decoded->image), decoded->iccProfile);
}

std::optional<QByteArray> encodeJXL(const Bitmap& image, std::optional<int> lossyQuality, const ImageMetadata& metadata)
{
    if (image.isNull())
        return std::nullopt;
    const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner = makeRunner();
    if (!encoder || !runner
        || JxlEncoderSetParallelRunner(encoder.get(), JxlThreadParallelRunner, runner.get()) != JXL_ENC_SUCCESS)
        return std::nullopt;

    const bool alpha = !bitmapIsOpaque(image);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = std::uint32_t(image.width());
    info.ysize = std::uint32_t(image.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.num_extra_channels = alpha ? 1 : 0;
    info.alpha_bits = alpha ? 8 : 0;
    // Lossless keeps the samples in their own colour space; lossy works in the encoder's own.
    info.uses_original_profile = lossyQuality ? JXL_FALSE : JXL_TRUE;
    if (JxlEncoderSetBasicInfo(encoder.get(), &info) != JXL_ENC_SUCCESS)
        return std::nullopt;
    if (alpha) {
        JxlExtraChannelInfo channel;
        JxlEncoderInitExtraChannelInfo(JXL_CHANNEL_ALPHA, &channel);
        channel.bits_per_sample = 8;
        if (JxlEncoderSetExtraChannelInfo(encoder.get(), 0, &channel) != JXL_ENC_SUCCESS)
            return std::nullopt;
    }
    if (!metadata.iccProfile.isEmpty()) {
        if (JxlEncoderSetICCProfile(encoder.get(), reinterpret_cast<const std::uint8_t*>(metadata.iccProfile.constData()),
                                    std::size_t(metadata.iccProfile.size()))
            != JXL_ENC_SUCCESS)
            return std::nullopt;
    } else {
        JxlColorEncoding srgb;
        JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
        if (JxlEncoderSetColorEncoding(encoder.get(), &srgb) != JXL_ENC_SUCCESS)
            return std::nullopt;
    }
    if (!addBoxes(encoder.get(), metadata))
        return std::nullopt;

    JxlEncoderFrameSettings* frame = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
    if (!frame
        || (lossyQuality ? JxlEncoderSetFrameDistance(frame, distanceForQuality(std::clamp(*lossyQuality, 0, 100)))
                         : JxlEncoderSetFrameLossless(frame, JXL_TRUE))
            != JXL_ENC_SUCCESS)
        return std::nullopt;
    const int channels = alpha ? 4 : 3;
    const std::ptrdiff_t stride = std::ptrdiff_t(image.width()) * channels;
    std::vector<std::uint8_t> straight(std::size_t(stride) * std::size_t(image.height()));
    writeStraightPixels(image, straight.data(), stride, channels);
    const JxlPixelFormat format{std::uint32_t(channels), JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (JxlEncoderAddImageFrame(frame, &format, straight.data(), straight.size()) != JXL_ENC_SUCCESS)
        return std::nullopt;
    JxlEncoderCloseInput(encoder.get());

    QByteArray bytes(qsizetype(64) << 10, Qt::Uninitialized);
    qsizetype written = 0;
    for (;;) {
        auto* next = reinterpret_cast<std::uint8_t*>(bytes.data()) + written;
        std::size_t available = std::size_t(bytes.size() - written);
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder.get(), &next, &available);
        written = bytes.size() - qsizetype(available);
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return std::nullopt;
        bytes.resize(bytes.size() * 2);
    }
    bytes.resize(written);
    return bytes;
}

}  // namespace velmaris
