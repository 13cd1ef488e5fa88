#include "platform/Pasteboard.h"

#include "PastedImage.h"
#include "TestImages.h"
#include "files/ImageEncoder.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::pixelAt;

TEST(Pasteboard, ImagesRoundTripThroughTheClipboardAsPngAndTiff)
{
    const Bitmap image = test::randomBitmap(5, 3, 7);
    QEventLoop loop;
    Pasteboard().writeImage(test::randomBitmap(2, 2, 1));
    Pasteboard().writeImage(image, [&] { loop.quit(); });
    // Pasted before the encoding is done: the image itself.
    EXPECT_TRUE(test::pastedImage()->sharesPixelsWith(image));
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    ASSERT_EQ(loop.exec(), 0);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat("image/png"));
    EXPECT_TRUE(data->hasFormat("image/tiff"));

    const std::optional<Bitmap> read = test::pastedImage();
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), image.size());
    EXPECT_EQ(pixelAt(*read, 4, 2), pixelAt(image, 4, 2));
}

TEST(Pasteboard, ReadsTiffWhenThePngIsUnreadableAndNothingFromText)
{
    const Bitmap image = test::solidBitmap(2, 2, {0, 0, 255, 255});
    auto data = new QMimeData;
    data->setData("image/png", "not a png");
    data->setData("image/tiff", *encodeImageData(image, ImageType::tiff));
    QGuiApplication::clipboard()->setMimeData(data);
    const std::optional<Bitmap> read = test::pastedImage();
    ASSERT_TRUE(read);
    EXPECT_EQ(pixelAt(*read, 1, 1), pixelAt(image, 1, 1));

    data = new QMimeData;
    data->setData("image/png", "not a png");
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_FALSE(test::pastedImage());
    QGuiApplication::clipboard()->setText("words");
    EXPECT_FALSE(test::pastedImage());
}

TEST(Pasteboard, OtherProgramsImagesAreDecodedOnlyInTheTypesRead)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray xpm, gif;
    QBuffer xpmBuffer(&xpm);
    ASSERT_TRUE(image.save(&xpmBuffer, "XPM"));
    auto data = new QMimeData;
    data->setData("image/png", xpm);
    data->setData("image/x-xpixmap", xpm);
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_FALSE(test::pastedImage());

    data = new QMimeData;
    data->setData("image/png", xpm);
    data->setData("image/gif", *encodeImageData(Bitmap::fromImage(image), ImageType::gif));
    QGuiApplication::clipboard()->setMimeData(data);
    // Decoded on a worker thread: the main thread goes on meanwhile.
    const QObject receiver;
    bool delivered = false;
    Pasteboard().readImage(&receiver, [&](std::optional<Bitmap>) { delivered = true; });
    EXPECT_FALSE(delivered);
    ASSERT_TRUE(test::waitUntil([&] { return delivered; }));
    const std::optional<Bitmap> read = test::pastedImage();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), QSize(3, 2));
    EXPECT_EQ(pixelAt(*read, 2, 1), (test::Rgba{0, 255, 0, 255}));
}

TEST(Pasteboard, OtherImagesComeThroughTheClipboardsOwnImage)
{
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    const std::optional<Bitmap> read = test::pastedImage();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), QSize(3, 2));
    EXPECT_EQ(pixelAt(*read, 2, 1), (test::Rgba{255, 0, 0, 255}));
}

}  // namespace
}  // namespace velmaris
