#include "files/ImageType.h"

#include <gtest/gtest.h>

namespace velmaris {

TEST(ImageType, ExtensionsMapCaseInsensitivelyAndRoundTrip)
{
    EXPECT_EQ(imageTypeForExtension(QStringLiteral("JPG")), ImageType::jpeg);
    EXPECT_EQ(imageTypeForExtension(QStringLiteral("jpeg")), ImageType::jpeg);
    EXPECT_EQ(imageTypeForExtension(QStringLiteral("Tif")), ImageType::tiff);
    EXPECT_EQ(imageTypeForExtension(QStringLiteral("SVG")), ImageType::svg);
    EXPECT_FALSE(imageTypeForExtension(QStringLiteral("ico")));
    EXPECT_FALSE(imageTypeForExtension(QStringLiteral(".png")));
    EXPECT_FALSE(imageTypeForExtension(QString()));
    for (int index = 0; index < kImageTypeCount; ++index) {
        const auto type = ImageType(index);
        EXPECT_EQ(imageTypeForExtension(imageTypeExtension(type)), type);
        EXPECT_TRUE(imageTypeMimeName(type).startsWith(u"image/"));
    }
    EXPECT_EQ(imageTypeExtension(ImageType::jpeg), u"jpg");
    EXPECT_EQ(imageTypeMimeName(ImageType::svg), u"image/svg+xml");
}

}  // namespace velmaris
