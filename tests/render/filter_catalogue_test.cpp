#include "render/FilterCatalogue.h"

#include "TestImages.h"

#include <QSet>
#include <gtest/gtest.h>

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

TEST(FilterCatalogue, EveryFilterKeepsTheSizeIsDeterministicAndSurvivesTinyAndEmptyImages)
{
    const Bitmap photo = test::randomBitmap(48, 32, 7);
    const Bitmap opaque = runFilter(QStringLiteral("gaussianBlur"),
                                    test::solidBitmap(48, 32, {90, 140, 200, 255}));
    // Filters that leave an image as it is at their defaults.
    const QSet<QString> neutralAtDefaults{QStringLiteral("brightnessContrast"), QStringLiteral("hueSaturationLightness"),
                                          QStringLiteral("colorBalance"), QStringLiteral("temperatureTint"),
                                          QStringLiteral("gamma")};
    for (const FilterDescriptor& descriptor : filterCatalogue()) {
        SCOPED_TRACE(descriptor.identifier.toStdString());
        const FilterInstance instance = FilterInstance::withDefaults(descriptor);
        const Bitmap once = instance.apply(photo);
        EXPECT_EQ(once.size(), photo.size());
        EXPECT_TRUE(test::samePixels(once, instance.apply(photo)));
        EXPECT_TRUE(test::validPremultiplied(once));
        EXPECT_EQ(instance.apply(test::solidBitmap(1, 1, {10, 20, 30, 255})).size(), QSize(1, 1));
        EXPECT_EQ(instance.apply(test::solidBitmap(5, 4, {0, 0, 0, 0})).size(), QSize(5, 4));
        if (!neutralAtDefaults.contains(descriptor.identifier))
            EXPECT_FALSE(test::samePixels(instance.apply(photo), photo));
        else
            EXPECT_TRUE(test::samePixels(instance.apply(opaque), opaque));
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
