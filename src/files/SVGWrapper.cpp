#include "files/SVGWrapper.h"

#include "files/ImageEncoder.h"

namespace velmaris {

std::optional<QByteArray> makeSVGWrapper(const Bitmap& image)
{
    const std::optional<QByteArray> png = encodeImageData(image, ImageType::png);
    if (!png)
        return std::nullopt;
    const QByteArray width = QByteArray::number(image.width());
    const QByteArray height = QByteArray::number(image.height());
    const QByteArray size = "width=\"" + width + "\" height=\"" + height + "\"";
    QByteArray svg;
    svg.reserve(png->size() / 3 * 4 + 400);
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" " + size
        + " viewBox=\"0 0 " + width + " " + height + "\">\n";
    svg += "  <image " + size + " xlink:href=\"data:image/png;base64,";
    svg += png->toBase64();
    svg += "\"/>\n</svg>";
    return svg;
}

}  // namespace velmaris
