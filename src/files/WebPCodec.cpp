#include "files/WebPCodec.h"

#include "files/PhotoPixels.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <vector>

namespace velmaris {

namespace {

struct DemuxDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};

WebPData webpData(const QByteArray& bytes)
{
    return WebPData{reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

QByteArray chunk(WebPDemuxer* demuxer, const char* fourcc)
{
    WebPChunkIterator iterator;
    QByteArray bytes;
    if (WebPDemuxGetChunk(demuxer, fourcc, 1, &iterator))
        bytes = QByteArray(reinterpret_cast<const char*>(iterator.chunk.bytes), qsizetype(iterator.chunk.size));
    WebPDemuxReleaseChunkIterator(&iterator);
    return bytes;
}

int writeBytes(const std::uint8_t* data, std::size_t size, const WebPPicture* picture)
{
    static_cast<QByteArray*>(picture->custom_ptr)->append(reinterpret_cast<const char*>(data), qsizetype(size));
    return 1;
}

// The encoded image with the metadata's chunks added (and the extended header they need).
std::optional<QByteArray> withMetadata(const QByteArray& encoded, const ImageMetadata& metadata)
{
    const WebPData image = webpData(encoded);
    const std::unique_ptr<WebPMux, decltype(&WebPMuxDelete)> mux(WebPMuxCreate(&image, 0), WebPMuxDelete);
    if (!mux)
        return std::nullopt;
    for (const auto& [fourcc, bytes] : {std::pair("EXIF", &metadata.exif), std::pair("XMP ", &metadata.xmp),
                                        std::pair("ICCP", &metadata.iccProfile)}) {
        const WebPData data = webpData(*bytes);
        if (!bytes->isEmpty() && WebPMuxSetChunk(mux.get(), fourcc, &data, 1) != WEBP_MUX_OK)
            return std::nullopt;
    }
    WebPData assembled{};
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        return std::nullopt;
    QByteArray bytes(reinterpret_cast<const char*>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    return bytes;
}

}  // namespace

std::optional<QSize> declaredWebPSize(const QByteArray& data)
{
    int width = 0;
    int height = 0;
    if (!WebPGetInfo(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()), &width, &height)
        || !bitmapSizeAllowed(width, height))
        return std::nullopt;
    return QSize(width, height);
}

std::optional<Bitmap> decodeWebP(const QByteArray& data)
{
    const WebPData input = webpData(data);
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demuxer(WebPDemux(&input));
    if (!demuxer)
        return std::nullopt;
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer.get(), 1, &frame))
        return std::nullopt;
    const std::unique_ptr<WebPIterator, decltype(&WebPDemuxReleaseIterator)> release(&frame, WebPDemuxReleaseIterator);
    if (!bitmapSizeAllowed(frame.width, frame.height))
        return std::nullopt;
    // Straight colour, premultiplied by Qt: libwebp's own premultiplying rounds differently, and
    // lossless files would not give back the pixels they were made from. Opaque pixels are
    // the bitmap format as they are.
    QImage image(frame.width, frame.height,
                 frame.has_alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return std::nullopt;
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = std::size_t(image.sizeInBytes());
    config.options.use_threads = 1;
    const VP8StatusCode status = WebPDecode(frame.fragment.bytes, frame.fragment.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return std::nullopt;
    return bitmapFromDecoded(std::move(image), chunk(demuxer.get(), "ICCP"));
}

std::optional<QByteArray> encodeWebP(const Bitmap& image, std::optional<int> lossyQuality, const ImageMetadata& metadata)
{
    if (image.isNull() || image.width() > WEBP_MAX_DIMENSION || image.height() > WEBP_MAX_DIMENSION)
        return std::nullopt;
    WebPConfig config;
    if (!WebPConfigInit(&config))
        return std::nullopt;
    config.lossless = !lossyQuality;
    // Lossless: the effort (75 is libwebp's default); lossy: the quality.
    config.quality = float(lossyQuality ? std::clamp(*lossyQuality, 0, 100) : 75);
    config.thread_level = 1;
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        return std::nullopt;
    const std::unique_ptr<WebPPicture, decltype(&WebPPictureFree)> freePicture(&picture, WebPPictureFree);
    picture.use_argb = config.lossless;
    picture.width = image.width();
    picture.height = image.height();

    const bool opaque = bitmapIsOpaque(image);
    const int channels = opaque ? 3 : 4;
    const std::ptrdiff_t stride = std::ptrdiff_t(image.width()) * channels;
    std::vector<std::uint8_t> straight(std::size_t(stride) * std::size_t(image.height()));
    writeStraightPixels(image, straight.data(), stride, channels);
    if (!(opaque ? WebPPictureImportRGB(&picture, straight.data(), int(stride))
                 : WebPPictureImportRGBA(&picture, straight.data(), int(stride))))
        return std::nullopt;
    straight = {};

    QByteArray bytes;
    picture.writer = writeBytes;
    picture.custom_ptr = &bytes;
    if (!WebPEncode(&config, &picture))
        return std::nullopt;
    if (metadata.isEmpty())
        return bytes;
    return withMetadata(bytes, metadata);
}

}  // namespace velmaris
