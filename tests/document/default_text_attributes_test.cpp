#include "document/DefaultTextAttributes.h"

#include "model/Defaults.h"
#include "platform/Preferences.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {

TEST(DefaultTextAttributes, SizeFollowsCanvasHeightUnlessAPositiveSizeIsStored)
{
    QTemporaryDir folder;
    QSettings settings(folder.filePath("prefs.ini"), QSettings::IniFormat);
    Preferences preferences(&settings);

    TextLayerAttributes attributes = defaultTextAttributes(768, preferences);
    EXPECT_EQ(attributes.string, "Text");
    EXPECT_EQ(attributes.fontFamily, defaults::textFontFamily);
    EXPECT_EQ(attributes.fontSize, 64);
    EXPECT_EQ(attributes.color, (StoredColor{0, 0, 0, 1}));
    EXPECT_TRUE(attributes.runs.isEmpty());
    EXPECT_EQ(defaultTextAttributes(100, preferences).fontSize, 24);
    EXPECT_EQ(defaultTextAttributes(10000, preferences).fontSize, 512);
    EXPECT_EQ(defaultTextAttributes(786, preferences).fontSize, 66);  // 65.5 rounds up

    preferences.setValue(PreferenceName::defaultTextFontSize, 0.0);
    EXPECT_EQ(defaultTextAttributes(768, preferences).fontSize, 64);
    preferences.setValue(PreferenceName::defaultTextFontSize, 30.5);
    preferences.setValue(PreferenceName::defaultTextFontName, "DejaVu Serif");
    preferences.setColor(PreferenceName::defaultTextColor, {0.2, 0.4, 0.6, 1});
    attributes = defaultTextAttributes(768, preferences);
    EXPECT_EQ(attributes.fontSize, 30.5);
    EXPECT_EQ(attributes.fontFamily, "DejaVu Serif");
    EXPECT_EQ(attributes.color, (StoredColor{0.2, 0.4, 0.6, 1}));

    preferences.setValue(PreferenceName::defaultTextColor, QByteArray("{\"red\":1}"));
    EXPECT_EQ(defaultTextAttributes(768, preferences).color, (StoredColor{0, 0, 0, 1}));
}

}  // namespace velmaris
