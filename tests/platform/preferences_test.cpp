#include "platform/Preferences.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {

TEST(Preferences, ReadsTypedValuesFromAnIniFile)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("prefs.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\n"
               "app.velmaris.velmarisimages.DefaultCanvasWidth=640\n"
               "app.velmaris.velmarisimages.DefaultCanvasHeight=wide\n"
               "app.velmaris.velmarisimages.DefaultTextFontName=DejaVu Sans\n"
               "app.velmaris.velmarisimages.DefaultTextFontSize=36.5\n"
               "app.velmaris.velmarisimages.CheckerboardHidden=true\n"
               "app.velmaris.velmarisimages.SidebarOnLeft=maybe\n"
               "app.velmaris.velmarisimages.HistoryLimit=120\n"
               "app.velmaris.velmarisimages.RecentImagePaths=/a.png\n"
               "DefaultCanvasBackground=2\n");
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    Preferences preferences(&settings);

    EXPECT_EQ(preferences.defaultCanvasWidth(), 640);
    EXPECT_FALSE(preferences.defaultCanvasHeight());
    EXPECT_FALSE(preferences.defaultCanvasBackground());  // keys need the prefix
    EXPECT_EQ(preferences.defaultTextFontName(), "DejaVu Sans");
    EXPECT_EQ(preferences.defaultTextFontSize(), 36.5);
    EXPECT_EQ(preferences.checkerboardHidden(), true);
    EXPECT_FALSE(preferences.sidebarOnLeft());
    EXPECT_EQ(preferences.historyLimit(), 120);
    EXPECT_EQ(preferences.recentImagePaths(), QStringList{"/a.png"});
    EXPECT_FALSE(preferences.defaultTextColor());
    EXPECT_FALSE(preferences.appShortcutOverrides());
}

TEST(Preferences, WrittenValuesReadBackAfterReopening)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("prefs.ini");
    {
        QSettings settings(path, QSettings::IniFormat);
        Preferences preferences(&settings);
        preferences.setColor(PreferenceName::currentColor, {0.25, 0.5, 0.75, 1});
        preferences.setValue(PreferenceName::recentImagePaths, QStringList{"/a.png", "/b, c.png"});
        preferences.setValue(PreferenceName::documentViewStates, QVariantMap{{"/a.png", 2.0}});
        preferences.setValue(QString(PreferenceName::sidebarSectionCollapsedPrefix) + "layers", true);
        preferences.setValue(PreferenceName::historyLimit, 30);
        preferences.remove(PreferenceName::historyLimit);
    }
    QSettings settings(path, QSettings::IniFormat);
    Preferences preferences(&settings);
    EXPECT_EQ(settings.value("app.velmaris.velmarisimages.CurrentColor").toByteArray(),
              QByteArray(R"({"red":0.25,"green":0.5,"blue":0.75,"alpha":1})"));
    EXPECT_EQ(preferences.currentColor(), (StoredColor{0.25, 0.5, 0.75, 1}));
    EXPECT_EQ(preferences.recentImagePaths(), (QStringList{"/a.png", "/b, c.png"}));
    EXPECT_EQ(preferences.documentViewStates(), (QVariantMap{{"/a.png", 2.0}}));
    EXPECT_EQ(preferences.sidebarSectionCollapsed("layers"), true);
    EXPECT_FALSE(preferences.sidebarSectionCollapsed("history"));
    EXPECT_FALSE(preferences.historyLimit());
}

TEST(Preferences, SettingsOfAnUnnamedOrganizationMoveOnce)
{
    QString legacyFile;
    {
        QSettings legacy(QSettings::NativeFormat, QSettings::UserScope, QString(), QCoreApplication::applicationName());
        legacy.setValue(Preferences::key(PreferenceName::historyLimit), 12);
        legacy.setValue(Preferences::key(PreferenceName::sidebarOnLeft), true);
        legacyFile = legacy.fileName();
    }
    ASSERT_TRUE(legacyFile.contains("Unknown Organization")) << legacyFile.toStdString();
    ASSERT_TRUE(QFile::exists(legacyFile));
    Preferences().setValue(PreferenceName::historyLimit, 40);

    Preferences::moveSettingsOfUnnamedOrganization();
    EXPECT_EQ(Preferences().sidebarOnLeft(), true);
    EXPECT_EQ(Preferences().historyLimit(), 40);  // a value set since wins
    EXPECT_FALSE(QFile::exists(legacyFile));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(legacyFile).absolutePath()));

    // Once moved, the old settings are not read again.
    Preferences().setValue(PreferenceName::sidebarOnLeft, false);
    Preferences::moveSettingsOfUnnamedOrganization();
    EXPECT_EQ(Preferences().sidebarOnLeft(), false);
}

}  // namespace velmaris
