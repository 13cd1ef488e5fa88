#include "files/HEIFCodec.h"

#include "files/PhotoPixels.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>

namespace velmaris {

namespace {

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct EncoderDeleter {
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<heif_image, ImageDeleter>;

// The file read (boxes only: nothing is decoded yet) and its primary image's handle. The data must
// outlive both.
struct OpenedFile {
    Context context;
    Handle primary;
};

// The longest side of a square within the bitmap budget.
constexpr int budgetSquareSide()
{
    int side = 1;
    while (qint64(side + 1) * (side + 1) * 4 <= kMaxBitmapBytes)
        ++side;
    return side;
}

// libheif allocates a grid image's planes at the size the grid declares, which need not be the size
// the boxes checked in uprightSize() give: its own limit, per side, keeps any image it makes within
// the bitmap budget. Only a square's side fits that rule, so an image over 16384 pixels a side is
// refused even where its area would fit.
constexpr int kMaxHEIFSide = std::min(kMaxBitmapSide, budgetSquareSide());

std::optional<OpenedFile> openFile(const QByteArray& data)
{
    Context context(heif_context_alloc());
    if (!context)
        return std::nullopt;
    heif_context_set_maximum_image_size_limit(context.get(), kMaxHEIFSide);
    if (heif_context_read_from_memory_without_copy(context.get(), data.constData(), std::size_t(data.size()), nullptr)
            .code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
        return std::nullopt;
    return OpenedFile{std::move(context), Handle(primary)};
}

// The size after the file's rotation and mirroring, as its boxes declare it.
std::optional<QSize> uprightSize(const heif_image_handle* handle)
{
    const QSize size(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    // The coded size too: rotation swaps sides, but the planes are allocated at the coded size.
    const QSize coded(heif_image_handle_get_ispe_width(handle), heif_image_handle_get_ispe_height(handle));
    if (!bitmapSizeAllowed(size.width(), size.height())
        || (coded.width() > 0 && !bitmapSizeAllowed(coded.width(), coded.height())))
        return std::nullopt;
    return size;
}

QByteArray colorProfile(const heif_image_handle* handle)
{
    if (heif_image_handle_get_color_profile_type(handle) != heif_color_profile_type_prof
        && heif_image_handle_get_color_profile_type(handle) != heif_color_profile_type_rICC)
        return {};
    QByteArray profile(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), Qt::Uninitialized);
    if (profile.isEmpty() || heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok)
        return {};
    return profile;
}

heif_compression_format formatOf(HEIFCompression compression)
{
    return compression == HEIFCompression::hevc ? heif_compression_HEVC : heif_compression_AV1;
}

heif_error writeBytes(heif_context*, const void* data, std::size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

}  // namespace

std::optional<QSize> declaredHEIFSize(const QByteArray& data)
{
    const std::optional<OpenedFile> file = openFile(data);
    return file ? uprightSize(file->primary.get()) : std::nullopt;
}

std::optional<Bitmap> decodeHEIF(const QByteArray& data)
{
    const std::optional<OpenedFile> file = openFile(data);
    if (!file)
        return std::nullopt;
    heif_image_handle* handle = file->primary.get();
    const std::optional<QSize> size = uprightSize(handle);
    if (!size)
        return std::nullopt;
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)> options(
        heif_decoding_options_alloc(), heif_decoding_options_free);
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    if (heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options.get()).code
        != heif_error_Ok)
        return std::nullopt;
    Image image(decoded);
    int stride = 0;
    const std::uint8_t* pixels = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_primary_width(decoded);
    const int height = heif_image_get_primary_height(decoded);
    if (!pixels || !bitmapSizeAllowed(width, height) || stride < width * 4)
        return std::nullopt;
    // Opaque pixels are already premultiplied: the bitmap format as it is, with nothing converted.
    const QImage::Format format = alpha && !heif_image_handle_is_premultiplied_alpha(handle)
        ? QImage::Format_RGBA8888
        : QImage::Format_RGBA8888_Premultiplied;
    QImage wrapped(pixels, width, height, stride, format,
                   [](void* image) { heif_image_release(static_cast<heif_image*>(image)); }, image.release());
    return bitmapFromDecoded(std::move(wrapped), colorProfile(handle));
}

std::optional<QString> heifEncoderMissing(HEIFCompression compression)
{
    if (heif_have_encoder_for_format(formatOf(compression)))
        return std::nullopt;
    return compression == HEIFCompression::hevc
        ? QStringLiteral("this system's libheif has no HEVC encoder (x265) for HEIC files")
        : QStringLiteral("this system's libheif has no AV1 encoder (aom) for AVIF files");
}

std::optional<QByteArray> encodeHEIF(const Bitmap& image, HEIFCompression compression, int quality,
                                     const ImageMetadata& metadata)
{
    if (image.isNull() || heifEncoderMissing(compression))
        return std::nullopt;
    Context context(heif_context_alloc());
    heif_encoder* encoderPointer = nullptr;
    if (!context
        || heif_context_get_encoder_for_format(context.get(), formatOf(compression), &encoderPointer).code
            != heif_error_Ok)
        return std::nullopt;
    const std::unique_ptr<heif_encoder, EncoderDeleter> encoder(encoderPointer);
    heif_encoder_set_lossy_quality(encoder.get(), std::clamp(quality, 0, 100));
    // The encoders' defaults take over a minute for a 12-megapixel photo on two cores; these take
    // a fraction of that for files a few per cent larger. Encoders without the setting ignore it.
    if (compression == HEIFCompression::hevc)
        heif_encoder_set_parameter_string(encoder.get(), "preset", "fast");
    else
        heif_encoder_set_parameter_integer(encoder.get(), "speed", 7);

    const bool opaque = bitmapIsOpaque(image);
    heif_image* created = nullptr;
    if (heif_image_create(image.width(), image.height(), heif_colorspace_RGB,
                          opaque ? heif_chroma_interleaved_RGB : heif_chroma_interleaved_RGBA, &created)
            .code != heif_error_Ok)
        return std::nullopt;
    const Image input(created);
    if (heif_image_add_plane(created, heif_channel_interleaved, image.width(), image.height(), 8).code
        != heif_error_Ok)
        return std::nullopt;
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(created, heif_channel_interleaved, &stride);
    if (!plane)
        return std::nullopt;
    writeStraightPixels(image, plane, stride, opaque ? 3 : 4);
    if (!metadata.iccProfile.isEmpty())
        heif_image_set_raw_color_profile(created, "prof", metadata.iccProfile.constData(),
                                         std::size_t(metadata.iccProfile.size()));

    heif_image_handle* encoded = nullptr;
    if (heif_context_encode_image(context.get(), created, encoder.get(), nullptr, &encoded).code != heif_error_Ok)
        return std::nullopt;
    const Handle handle(encoded);
    if (!metadata.exif.isEmpty()
        && heif_context_add_exif_metadata(context.get(), encoded, metadata.exif.constData(), int(metadata.exif.size()))
                .code != heif_error_Ok)
        return std::nullopt;
    if (!metadata.xmp.isEmpty()
        && heif_context_add_XMP_metadata(context.get(), encoded, metadata.xmp.constData(), int(metadata.xmp.size()))
                .code != heif_error_Ok)
        return std::nullopt;
    QByteArray bytes;
    heif_writer writer{1, writeBytes};
    if (heif_context_write(context.get(), &writer, &bytes).code != heif_error_Ok)
        return std::nullopt;
    return bytes;
}

}  // namespace velmaris
