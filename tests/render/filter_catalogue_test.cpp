#include "render/FilterCatalogue.h"

#include "TestImages.h"

#include <QSet>
#include <gtest/gtest.h>

#include <cstdint>
#include <tbb/global_control.h>

namespace velmaris {
namespace {

using test::pixelAt;
using test::Rgba;

Bitmap runFilter(const QString& identifier, const Bitmap& input, const FilterValues& changes = {})
{
    FilterInstance instance = FilterInstance::withDefaults(*findFilter(identifier));
    for (auto it = changes.begin(); it != changes.end(); ++it)
        EXPECT_TRUE(instance.setValue(it.key(), it.value()));
    return instance.apply(input);
}

TEST(FilterCatalogue, OrderTitlesAndDefaults)
{
    const QVector<FilterDescriptor>& catalogue = filterCatalogue();
    ASSERT_EQ(catalogue.size(), 50);
    EXPECT_EQ(catalogue.first().identifier, QStringLiteral("gaussianBlur"));
    EXPECT_EQ(catalogue.last().identifier, QStringLiteral("monochromeTint"));
    QSet<QString> identifiers;
    int counts[4] = {};
    for (const FilterDescriptor& descriptor : catalogue) {
        identifiers.insert(descriptor.identifier);
        ++counts[int(descriptor.category)];
        EXPECT_EQ(descriptor.menuTitle.endsWith(QStringLiteral("…")), !descriptor.parameters.isEmpty())
            << descriptor.identifier.toStdString();
        for (const FilterParameter& parameter : descriptor.parameters)
            EXPECT_TRUE(parameter.minimum <= parameter.defaultValue && parameter.defaultValue <= parameter.maximum);
    }
    EXPECT_EQ(identifiers.size(), 50);
    EXPECT_EQ(counts[int(FilterCategory::essential)], 13);
    EXPECT_EQ(counts[int(FilterCategory::artistic)], 23);
    EXPECT_EQ(counts[int(FilterCategory::distort)], 5);
    EXPECT_EQ(counts[int(FilterCategory::adjustment)], 9);
    EXPECT_EQ(findFilter(QStringLiteral("invert"))->menuTitle, QStringLiteral("Invert Colors"));
    EXPECT_EQ(findFilter(QStringLiteral("gaussianBlur"))->menuTitle, QStringLiteral("Gaussian Blur…"));
    EXPECT_FALSE(findFilter(QStringLiteral("nothing")));

    const FilterInstance twirl = FilterInstance::withDefaults(*findFilter(QStringLiteral("twirl")));
    EXPECT_EQ(twirl.values, (FilterValues{{QStringLiteral("centerX"), 0.5}, {QStringLiteral("centerY"), 0.5},
                                          {QStringLiteral("radius"), 0.3}, {QStringLiteral("angle"), 90}}));
    EXPECT_EQ(filterCenter(FilterArguments({{QStringLiteral("centerX"), 0}, {QStringLiteral("centerY"), 0}}),
                           QSize(40, 30)),
              QPointF(0, 0));
    EXPECT_EQ(filterCenter(FilterArguments(), QSize(40, 30)), QPointF(20, 15));
}

TEST(FilterCatalogue, ValuesAreClampedAndNonFiniteOnesFallBackToTheDefault)
{
    FilterInstance blur = FilterInstance::withDefaults(*findFilter(QStringLiteral("gaussianBlur")));
    EXPECT_TRUE(blur.setValue(QStringLiteral("inputRadius"), 250));
    EXPECT_EQ(blur.values.value(QStringLiteral("inputRadius")), 100);
    EXPECT_TRUE(blur.setValue(QStringLiteral("inputRadius"), std::nan("")));
    EXPECT_EQ(blur.values.value(QStringLiteral("inputRadius")), 10);
    EXPECT_TRUE(blur.setValue(QStringLiteral("inputRadius"), -INFINITY));
    EXPECT_EQ(blur.values.value(QStringLiteral("inputRadius")), 10);
    EXPECT_FALSE(blur.setValue(QStringLiteral("radius"), 3));
}

TEST(FilterCatalogue, ScaledInstancesScaleLengthsInPixelsOnly)
{
    FilterInstance blur = FilterInstance::withDefaults(*findFilter(QStringLiteral("gaussianBlur")));
    blur.setValue(QStringLiteral("inputRadius"), 49);
    EXPECT_EQ(blur.scaled(0.25).values.value(QStringLiteral("inputRadius")), 12.25);
    EXPECT_EQ(blur.values.value(QStringLiteral("inputRadius")), 49);

    // The centre and a radius that is a fraction of the image stay; a length keeps its minimum.
    const FilterInstance vignette =
        FilterInstance::withDefaults(*findFilter(QStringLiteral("vignette"))).scaled(0.25);
    EXPECT_EQ(vignette.values, FilterInstance::withDefaults(*vignette.descriptor).values);
    const FilterInstance pixellate =
        FilterInstance::withDefaults(*findFilter(QStringLiteral("pixellate"))).scaled(0.0625);
    EXPECT_EQ(pixellate.values.value(QStringLiteral("inputScale")), 1);
    const FilterInstance motion = FilterInstance::withDefaults(*findFilter(QStringLiteral("motionBlur"))).scaled(0.5);
    EXPECT_EQ(motion.values.value(QStringLiteral("radius")), 10);
    EXPECT_EQ(motion.values.value(QStringLiteral("direction")), 0);
}

TEST(FilterCatalogue, EveryBuildStepReadsExactlyItsOwnParameters)
{
    // A key read that is not a parameter reads 0; a parameter never read is a dead slider.
    const Bitmap photo = test::randomBitmap(9, 7, 1);
    for (const FilterDescriptor& descriptor : filterCatalogue()) {
        SCOPED_TRACE(descriptor.identifier.toStdString());
        const FilterArguments arguments(FilterInstance::withDefaults(descriptor).values);
        descriptor.build(photo, arguments);
        QStringList parameterKeys, requestedKeys(arguments.requestedKeys().begin(), arguments.requestedKeys().end());
        for (const FilterParameter& parameter : descriptor.parameters)
            parameterKeys.append(parameter.key);
        parameterKeys.sort();
        requestedKeys.sort();
        EXPECT_EQ(requestedKeys.join(u' ').toStdString(), parameterKeys.join(u' ').toStdString());
    }
}

bool sameAlpha(const Bitmap& a, const Bitmap& b)
{
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (pixelAt(a, x, y)[3] != pixelAt(b, x, y)[3])
                return false;
    return true;
}

TEST(FilterCatalogue, EveryFilterKeepsTheSizeIsDeterministicAndSurvivesTinyAndEmptyImages)
{
    const Bitmap photo = test::randomBitmap(48, 97, 7);  // more rows than one parallel band
    const Bitmap opaque = test::opaqueRandomBitmap(40, 30, 8);  // noisy: any filter but a neutral one changes it
    const Bitmap tiny = test::solidBitmap(1, 1, {10, 20, 30, 40});
    const Bitmap clear = test::solidBitmap(9, 7, {0, 0, 0, 0});
    const auto named = [](std::initializer_list<const char*> names) {
        QSet<QString> set;
        for (const char* name : names)
            set.insert(QString::fromLatin1(name));
        return set;
    };
    // Filters that leave an image as it is at their defaults.
    const QSet<QString> neutralAtDefaults =
        named({"brightnessContrast", "hueSaturationLightness", "colorBalance", "temperatureTint", "gamma"});
    // Filters that put paint where there was none: a bias, grain or outlines.
    const QSet<QString> paintOnClear = named({"emboss", "filmGrain", "edges"});
    // Filters that only recolour pixels.
    const QSet<QString> keepAlpha =
        named({"invert", "posterize", "sepia", "vignette", "noir", "chrome", "instant", "photoFade", "photoProcess",
               "photoTonal", "photoTransfer", "thermal", "xRay"});

    for (const FilterDescriptor& descriptor : filterCatalogue()) {
        SCOPED_TRACE(descriptor.identifier.toStdString());
        const FilterInstance instance = FilterInstance::withDefaults(descriptor);
        const Bitmap once = instance.apply(photo);
        EXPECT_EQ(once.size(), photo.size());
        EXPECT_TRUE(test::samePixels(once, instance.apply(photo)));
        EXPECT_TRUE(test::validPremultiplied(once));
        {
            const tbb::global_control oneThread(tbb::global_control::max_allowed_parallelism, 1);
            EXPECT_TRUE(test::samePixels(once, instance.apply(photo)));
        }
        if (keepAlpha.contains(descriptor.identifier) || descriptor.category == FilterCategory::adjustment) {
            EXPECT_TRUE(sameAlpha(once, photo));
        }

        for (const Bitmap& input : {tiny, clear}) {
            const Bitmap result = instance.apply(input);
            EXPECT_EQ(result.size(), input.size());
            EXPECT_TRUE(test::validPremultiplied(result));
        }
        EXPECT_EQ(test::samePixels(instance.apply(clear), clear), !paintOnClear.contains(descriptor.identifier));

        const int change = test::bitmapDistance(instance.apply(opaque), opaque);
        if (neutralAtDefaults.contains(descriptor.identifier))
            EXPECT_EQ(change, 0);
        else
            EXPECT_GT(change, 20);
    }
}

TEST(FilterCatalogue, AdjustmentsAtIdentityValuesReturnTheSameBitmap)
{
    const Bitmap photo = test::randomBitmap(30, 20, 9);
    // The five that are neutral at their defaults, and others set to their neutral values.
    for (const char* identifier : {"brightnessContrast", "hueSaturationLightness", "colorBalance", "temperatureTint", "gamma"})
        EXPECT_TRUE(runFilter(QString::fromLatin1(identifier), photo).sharesPixelsWith(photo)) << identifier;
    EXPECT_TRUE(runFilter(QStringLiteral("exposure"), photo, {{QStringLiteral("inputEV"), 0}}).sharesPixelsWith(photo));
    EXPECT_TRUE(runFilter(QStringLiteral("vibrance"), photo, {{QStringLiteral("inputAmount"), 0}}).sharesPixelsWith(photo));
    EXPECT_TRUE(runFilter(QStringLiteral("shadowsHighlights"), photo, {{QStringLiteral("inputShadowAmount"), 0}})
                    .sharesPixelsWith(photo));
    EXPECT_TRUE(runFilter(QStringLiteral("monochromeTint"), photo, {{QStringLiteral("intensity"), 0}}).sharesPixelsWith(photo));
}

// FNV-1a over every byte of the pixels.
std::uint64_t pixelHash(const Bitmap& bitmap)
{
    std::uint64_t hash = 1469598103934665603ULL;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int i = 0; i < 4 * bitmap.width(); ++i)
            hash = (hash ^ bitmap.row(y)[i]) * 1099511628211ULL;
    return hash;
}

TEST(FilterCatalogue, RestructuredFiltersKeepTheirEarlierResults)
{
    // The hot loops of these filters were rewritten for speed with the same float operations in the
    // same order; the hashes are of the scalar loops' results, on a translucent and an opaque image.
    const Bitmap translucent = test::randomBitmap(61, 43, 5), opaque = test::opaqueRandomBitmap(61, 43, 6);
    struct Case {
        const char* identifier;
        FilterValues changes;
        std::uint64_t translucentHash, opaqueHash;
    };
    const Case cases[] = {
        {"kaleidoscope", {}, 0xff1e483f04914040u, 0x8487dcc3a98603cau},
        {"kaleidoscope", {{QStringLiteral("rotation"), 40}}, 0xdf6f76698b98ee81u, 0xacb2a68d074916a0u},
        {"noiseReduction", {}, 0x36a0f875522b22e4u, 0xe90870e93f8a4233u},
        {"noiseReduction", {{QStringLiteral("inputNoiseLevel"), 0.08}}, 0x5fa8cb9d046f4c44u, 0x9d618b6bffc67050u},
        {"zoomBlur", {}, 0x4df0653deb8ad448u, 0x7e245533340adb70u},
        {"zoomBlur", {{QStringLiteral("amount"), 60}}, 0x415fb856c9da1380u, 0xfa1393b81c15aceeu},
        {"cmykHalftone", {}, 0x21cc6d9b9abb7dc8u, 0x9c02774b7b9fa490u},
        {"cmykHalftone", {{QStringLiteral("inputWidth"), 5}}, 0xa6e2504727f8e75au, 0xceb27498ba96fb19u},
        {"comic", {}, 0x6531bbb88ec7620bu, 0xaa05da5622c5401du},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifier);
        EXPECT_EQ(pixelHash(runFilter(QString::fromLatin1(c.identifier), translucent, c.changes)), c.translucentHash);
        EXPECT_EQ(pixelHash(runFilter(QString::fromLatin1(c.identifier), opaque, c.changes)), c.opaqueHash);
    }
}

TEST(FilterCatalogue, KnownValuesOfTheOwnBuildSteps)
{
    const Bitmap image = test::solidBitmap(8, 8, {100, 60, 20, 255});
    EXPECT_TRUE(test::samePixels(runFilter(QStringLiteral("gaussianBlur"), image, {{QStringLiteral("inputRadius"), 0}}), image));
    const Bitmap inverted = runFilter(QStringLiteral("invert"), image);
    EXPECT_EQ(pixelAt(inverted, 3, 3), (Rgba{155, 195, 235, 255}));
    EXPECT_TRUE(test::samePixels(runFilter(QStringLiteral("invert"), inverted), image));

    EXPECT_NEAR(pixelAt(runFilter(QStringLiteral("colorBalance"), image, {{QStringLiteral("red"), 100}}), 0, 0)[0], 150, 1);
    EXPECT_NEAR(pixelAt(runFilter(QStringLiteral("colorBalance"), image, {{QStringLiteral("red"), -100}}), 0, 0)[0], 50, 1);

    // Emboss of a flat image adds its bias: half of full scale for any intensity from 1 up.
    const Bitmap black = test::solidBitmap(8, 8, {0, 0, 0, 255});
    for (double intensity : {1.0, 2.0}) {
        const Rgba embossed = pixelAt(runFilter(QStringLiteral("emboss"), black, {{QStringLiteral("intensity"), intensity}}), 4, 4);
        EXPECT_NEAR(embossed[0], 128, 1);
        EXPECT_EQ(embossed[3], 255);
    }
}

}  // namespace
}  // namespace velmaris
