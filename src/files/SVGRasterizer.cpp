#include "files/SVGRasterizer.h"

#include "files/SVGScan.h"

#include "render/Parallel.h"

#include <cairo.h>
#include <gio/gio.h>
#include <librsvg/rsvg.h>

#include <QSizeF>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace velmaris {

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using HandlePtr = std::unique_ptr<RsvgHandle, GObjectUnref>;

// The document's size in CSS pixels: its width and height, or its view box where those are
// missing or relative.
std::optional<QSizeF> documentSize(RsvgHandle* handle)
{
    double width = 0, height = 0;
    if (rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height))
        return QSizeF(width, height);
    gboolean hasWidth = false, hasHeight = false, hasViewBox = false;
    RsvgLength widthLength, heightLength;
    RsvgRectangle viewBox;
    rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &widthLength, &hasHeight, &heightLength,
                                         &hasViewBox, &viewBox);
    if (hasViewBox)
        return QSizeF(viewBox.width, viewBox.height);
    return std::nullopt;
}

// Halves round away from zero; anything below one pixel still gets one.
std::optional<int> rasterSide(double side)
{
    if (!std::isfinite(side) || side >= kMaxBitmapSide + 1)
        return std::nullopt;
    return std::max(1, int(std::round(side)));
}

bool render(RsvgHandle* handle, QSizeF size, BitmapBuilder& target)
{
    const int width = target.width(), height = target.height();
    if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width) != target.stride())
        return false;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(target.row(0), CAIRO_FORMAT_ARGB32,
                                                                   width, height, int(target.stride()));
    cairo_t* cairo = cairo_create(surface);
    // Stretch the document over the whole bitmap, as drawing it into a rectangle does.
    const double documentWidth = size.width() > 0 ? size.width() : width;
    const double documentHeight = size.height() > 0 ? size.height() : height;
    cairo_scale(cairo, width / documentWidth, height / documentHeight);
    const RsvgRectangle viewport{0, 0, documentWidth, documentHeight};
    GError* error = nullptr;
    const bool rendered = rsvg_handle_render_document(handle, cairo, &viewport, &error)
        && cairo_status(cairo) == CAIRO_STATUS_SUCCESS;
    g_clear_error(&error);
    cairo_destroy(cairo);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    return rendered;
}

// Cairo stores premultiplied ARGB as native-endian 32-bit words; the bitmap wants bytes R, G, B, A.
void convertCairoToRgba(BitmapBuilder& target)
{
    const int width = target.width();
    parallelRows(target.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            std::uint8_t* row = target.row(y);
            for (int x = 0; x < width; ++x) {
                std::uint32_t pixel;
                std::memcpy(&pixel, row + 4 * x, 4);
                row[4 * x + 0] = std::uint8_t(pixel >> 16);
                row[4 * x + 1] = std::uint8_t(pixel >> 8);
                row[4 * x + 2] = std::uint8_t(pixel);
                row[4 * x + 3] = std::uint8_t(pixel >> 24);
            }
        }
    });
}

// The XML parser refuses any one text or attribute longer than this unless told otherwise.
constexpr qsizetype kParserTextLimit = 10'000'000;

// Whether the XML parser may take text and attributes of any size (needed to read back the
// wrapper of a picture over 10 MB). That also switches off its guards against deep nesting and
// exponential entity expansion, so it is allowed only for documents that need it and cannot
// declare entities: no document type declaration, in UTF-8 or ASCII, where such a declaration
// could not be spelled differently.
bool allowsUnlimitedParsing(const QByteArray& data)
{
    if (data.size() <= kParserTextLimit)
        return false;
    if (data.contains('\0') || data.startsWith("\x4C\x6F\xA7\x94") || data.contains("<!DOCTYPE"))
        return false;  // UTF-16, UTF-32 or EBCDIC, or a type declaration
    if (!data.startsWith("<?xml") && !data.startsWith("\xEF\xBB\xBF<?xml"))
        return true;
    const QByteArray declaration = data.left(data.indexOf("?>")).toLower();
    const qsizetype encoding = declaration.indexOf("encoding");
    if (encoding < 0)
        return true;
    const QByteArray name = declaration.mid(encoding + 8).replace(' ', "").replace('\'', '"');
    return name.startsWith("=\"utf-8\"") || name.startsWith("=\"us-ascii\"");
}

}  // namespace

std::optional<Bitmap> rasterizeSVGData(const QByteArray& data, std::optional<QSize> pixelSize)
{
    const std::optional<SVGScan> scan = scanSVG(data);
    if (!scan)
        return std::nullopt;
    GError* error = nullptr;
    // The size limits below still apply before anything is rendered.
    const RsvgHandleFlags flags = allowsUnlimitedParsing(data) ? RSVG_HANDLE_FLAG_UNLIMITED : RSVG_HANDLE_FLAGS_NONE;
    std::unique_ptr<GInputStream, GObjectUnref> stream(
        g_memory_input_stream_new_from_data(data.constData(), gssize(data.size()), nullptr));
    HandlePtr handle(rsvg_handle_new_from_stream_sync(stream.get(), nullptr, flags, nullptr, &error));
    g_clear_error(&error);
    if (!handle)
        return std::nullopt;
    rsvg_handle_set_dpi(handle.get(), 96);
    const std::optional<QSizeF> size = documentSize(handle.get());
    if (!size)
        return std::nullopt;
    const std::optional<int> width = rasterSide(pixelSize ? pixelSize->width() : size->width());
    const std::optional<int> height = rasterSide(pixelSize ? pixelSize->height() : size->height());
    if (!width || !height || (scan->filtered && qint64(*width) * *height > kMaxFilteredSVGPixels))
        return std::nullopt;
    std::optional<BitmapBuilder> builder = BitmapBuilder::create(*width, *height);
    if (!builder || !render(handle.get(), *size, *builder))
        return std::nullopt;
    convertCairoToRgba(*builder);
    return std::move(*builder).build();
}

}  // namespace velmaris
