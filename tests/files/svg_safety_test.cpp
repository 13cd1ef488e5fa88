#include "files/FlatImageFile.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include "files/CodecTestHelpers.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {

using test::Rgba;
using test::pixelAt;

namespace {

QByteArray svg(const QByteArray& attributes, const QByteArray& body)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" " + attributes
        + ">" + body + "</svg>";
}

// Groups of ten uses of the group one level down: each level draws ten times the one below.
QByteArray nestedUses(int levels)
{
    QByteArray body = "<defs><g id=\"l0\"><rect width=\"1\" height=\"1\"/></g>";
    for (int level = 1; level <= levels; ++level) {
        body += "<g id=\"l" + QByteArray::number(level) + "\">";
        for (int i = 0; i < 10; ++i)
            body += "<use href=\"#l" + QByteArray::number(level - 1) + "\"/>";
        body += "</g>";
    }
    return svg("width=\"4\" height=\"4\"", body + "</defs><use href=\"#l" + QByteArray::number(levels) + "\"/>");
}

}  // namespace

TEST(SVGSafety, HostileDocumentsAreRefusedAsUnreadable)
{
    const FileResult<CanvasState> unreadable(FileError::imageUnreadable());
    const QByteArray size = "width=\"4\" height=\"4\"";

    // Nesting the renderer would recurse through until the stack is gone.
    EXPECT_EQ(readFlatImage(svg(size, QByteArray("<g>").repeated(2000) + QByteArray("</g>").repeated(2000)),
                            ImageType::svg),
              unreadable);
    QByteArray chain = "<defs><g id=\"c0\"/>";
    for (int i = 1; i <= 300; ++i)
        chain += "<g id=\"c" + QByteArray::number(i) + "\"><use href=\"#c" + QByteArray::number(i - 1) + "\"/></g>";
    EXPECT_EQ(readFlatImage(svg(size, chain + "</defs><use href=\"#c300\"/>"), ImageType::svg), unreadable);

    // A group of uses of itself, drawn a thousand times: each of those uses draws nothing, slowly.
    const QByteArray circular = "<defs><g id=\"a\"><rect width=\"2\" height=\"2\"/>"
        + QByteArray("<use href=\"#a\"/>").repeated(5) + "</g><g id=\"m\">" + QByteArray("<use href=\"#a\"/>").repeated(10)
        + "</g><g id=\"n\">" + QByteArray("<use href=\"#m\"/>").repeated(10) + "</g><g id=\"o\">"
        + QByteArray("<use href=\"#n\"/>").repeated(10) + "</g></defs><use href=\"#o\"/>";
    EXPECT_EQ(readFlatImage(svg(size, circular), ImageType::svg), unreadable);
    // Two groups of six uses of each other: each use is cheap to cost once, but the renderer walks
    // every way round the circle to its depth limit.
    const QByteArray eachOther = "<defs><g id=\"p\">" + QByteArray("<use href=\"#q\"/>").repeated(6)
        + "</g><g id=\"q\">" + QByteArray("<use href=\"#p\"/>").repeated(6) + "</g></defs><use href=\"#p\"/>";
    EXPECT_EQ(readFlatImage(svg(size, eachOther), ImageType::svg), unreadable);

    // One entity of 50 KB used 50,000 times; and any internal subset, entities or not.
    const QByteArray entity = "<!DOCTYPE svg [<!ENTITY e \"" + QByteArray(50'000, 'x') + "\">]>";
    EXPECT_EQ(readFlatImage(entity + svg(size, "<text>" + QByteArray("&e;").repeated(50'000) + "</text>"),
                            ImageType::svg),
              unreadable);
    EXPECT_EQ(readFlatImage("<!DOCTYPE svg [<!ENTITY fill \"#0000ff\">]>"
                                + svg(size, "<rect width=\"2\" height=\"2\" fill=\"&fill;\"/>"),
                            ImageType::svg),
              unreadable);
    EXPECT_EQ(readFlatImage("<!DOCTYPE svg [<!ATTLIST svg x CDATA \"1\">]>" + svg(size, ""), ImageType::svg),
              unreadable);

    // Uses of uses, exponential; and more elements than any drawing has.
    EXPECT_EQ(readFlatImage(nestedUses(9), ImageType::svg), unreadable);
    EXPECT_EQ(readFlatImage(svg(size, QByteArray("<g/>").repeated(200'001)), ImageType::svg), unreadable);

    // A document drawn as an image is parsed without the look above: by its type or by its content.
    const QByteArray uses = nestedUses(9);
    for (const QByteArray& address : {"data:image/svg+xml;base64," + uses.toBase64(), "data:;base64," + uses.toBase64(),
                                      "data:," + uses.toPercentEncoding()}) {
        EXPECT_EQ(readFlatImage(svg(size, "<image width=\"4\" height=\"4\" href=\"" + address + "\"/>"),
                                ImageType::svg),
                  unreadable);
    }

    // Filters over a huge canvas, by element or by style.
    const QByteArray huge = "width=\"16384\" height=\"16384\"";
    EXPECT_EQ(readFlatImage(svg(huge, "<filter id=\"b\"><feGaussianBlur stdDeviation=\"50\"/></filter>"
                                      "<rect width=\"16384\" height=\"16384\" filter=\"url(#b)\"/>"),
                            ImageType::svg),
              unreadable);
    EXPECT_EQ(readFlatImage(svg(huge, "<rect width=\"16384\" height=\"16384\" style=\"filter: blur(50px)\"/>"),
                            ImageType::svg),
              unreadable);
}

TEST(SVGSafety, OrdinaryDocumentsWithGroupsUsesAndABlurStillRender)
{
    const QByteArray drawing =
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">"
        + svg("width=\"40\" height=\"30\"",
              "<defs><filter id=\"soft\"><feGaussianBlur stdDeviation=\"1\"/></filter>"
              "<g id=\"tile\"><g><rect width=\"10\" height=\"10\" fill=\"#ff0000\"/></g></g></defs>"
              "<use xlink:href=\"#tile\"/><use href=\"#tile\" x=\"20\"/>"
              "<rect x=\"20\" y=\"15\" width=\"20\" height=\"15\" fill=\"#0000ff\" filter=\"url(#soft)\"/>"
              "<g id=\"loop\"><use href=\"#loop\"/></g>");
    const std::optional<Bitmap> drawn = decodeImageData(drawing, ImageType::svg);
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->size(), QSize(40, 30));
    EXPECT_EQ(pixelAt(*drawn, 5, 5), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*drawn, 25, 5), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*drawn, 15, 5), (Rgba{0, 0, 0, 0}));
    EXPECT_LE(test::channelDistance(pixelAt(*drawn, 30, 22), Rgba{0, 0, 255, 255}), 2);
    const Rgba blurredEdge = pixelAt(*drawn, 20, 22);
    EXPECT_GT(blurredEdge[3], 0);
    EXPECT_LT(blurredEdge[3], 255);

    // A few levels of uses of uses are fine.
    EXPECT_TRUE(decodeImageData(nestedUses(3), ImageType::svg));
}

TEST(SVGSafety, FilesAndAddressesTheDocumentNamesAreNotLoaded)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString path = directory.filePath(QStringLiteral("red.png"));
    QFile png(path);
    ASSERT_TRUE(png.open(QIODevice::WriteOnly));
    png.write(*encodeImageData(test::solidBitmap(4, 4, Rgba{255, 0, 0, 255}), ImageType::png));
    png.close();
    const QByteArray url = "file://" + path.toUtf8();
    const std::optional<Bitmap> drawn = decodeImageData(
        svg("width=\"4\" height=\"4\"", "<image width=\"4\" height=\"4\" href=\"" + url + "\"/>"
                                        "<use href=\"" + url + "#x\"/>"),
        ImageType::svg);
    ASSERT_TRUE(drawn);
    EXPECT_EQ(pixelAt(*drawn, 2, 2), (Rgba{0, 0, 0, 0}));
}

}  // namespace velmaris
