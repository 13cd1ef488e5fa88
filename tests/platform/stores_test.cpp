#include "platform/CurrentColorStore.h"
#include "platform/RecentImagesStore.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace velmaris {
namespace {

struct TemporarySettings {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
};

TEST(RecentImagesStore, KeepsEightDistinctPathsMostRecentFirst)
{
    TemporarySettings temporary;
    RecentImagesStore store(&temporary.settings);
    store.add(QStringLiteral("/a.png"));
    store.add(QStringLiteral("/b.png"));
    store.add(QStringLiteral("/a.png"));
    EXPECT_EQ(store.paths(), (QStringList{QStringLiteral("/a.png"), QStringLiteral("/b.png")}));
    store.add(QStringLiteral("/A.png"));  // another path string is another file
    EXPECT_EQ(store.paths().size(), 3);
    for (int i = 0; i < 8; ++i)
        store.add(QStringLiteral("/%1.png").arg(i));
    EXPECT_EQ(store.paths().size(), 8);
    EXPECT_EQ(store.paths().first(), QStringLiteral("/7.png"));
    EXPECT_EQ(RecentImagesStore(&temporary.settings).paths(), store.paths());

    temporary.settings.setValue(RecentImagesStore::kKey, 42);
    EXPECT_TRUE(RecentImagesStore(&temporary.settings).paths().isEmpty());
}

// The settings file as a later launch reads it. The process keeps what it parsed of a file, so the
// file is copied to a new name to be read from disk again, as a restart would.
QString restartedSettingsPath(QSettings& settings, const QTemporaryDir& dir, int launch)
{
    settings.sync();
    const QString copy = dir.filePath(QStringLiteral("restart-%1.ini").arg(launch));
    EXPECT_TRUE(!QFile::exists(settings.fileName()) || QFile::copy(settings.fileName(), copy));
    return copy;
}

TEST(RecentImagesStore, ListsOfAnyLengthSurviveARestart)
{
    for (int count : {0, 1, 8}) {
        TemporarySettings temporary;
        QStringList written;
        {
            RecentImagesStore store(&temporary.settings);
            QSignalSpy changes(&store, &RecentImagesStore::recentImagesDidChange);
            for (int i = count - 1; i >= 0; --i)
                store.add(QStringLiteral("/pictures/%1, a comma.png").arg(i));
            EXPECT_EQ(changes.count(), count);
            written = store.paths();
        }
        QSettings restarted(restartedSettingsPath(temporary.settings, temporary.dir, count), QSettings::IniFormat);
        EXPECT_EQ(RecentImagesStore(&restarted).paths(), written) << count << " items";
    }

    // Every list-valued preference reads back what was written, the empty list included.
    TemporarySettings temporary;
    Preferences preferences(&temporary.settings);
    QSignalSpy announced(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange);
    preferences.setStringList(QStringLiteral("Empty"), {});
    preferences.setStringList(QStringLiteral("One"), {QString()});
    preferences.setStringList(QStringLiteral("Two"), {QStringLiteral("a,b"), QStringLiteral("c")});
    ASSERT_EQ(announced.count(), 3);
    EXPECT_EQ(announced[1][0].toString(), QStringLiteral("One"));
    QSettings restarted(restartedSettingsPath(temporary.settings, temporary.dir, 9), QSettings::IniFormat);
    const Preferences reread(&restarted);
    EXPECT_EQ(reread.stringList(QStringLiteral("Empty")), QStringList());
    EXPECT_EQ(reread.stringList(QStringLiteral("One")), QStringList{QString()});
    EXPECT_EQ(reread.stringList(QStringLiteral("Two")), (QStringList{QStringLiteral("a,b"), QStringLiteral("c")}));
    EXPECT_EQ(reread.stringList(QStringLiteral("Never")), std::nullopt);
}

TEST(RecentImagesStore, ExistingPathsAndStableThumbnailNames)
{
    TemporarySettings temporary;
    RecentImagesStore store(&temporary.settings);
    const QString existing = temporary.dir.filePath(QStringLiteral("exists.png"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString fifo = temporary.dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    store.add(QStringLiteral("/no/such/file.png"));
    store.add(existing);
    store.add(fifo);
    EXPECT_EQ(store.existingPaths(), QStringList{existing});
    EXPECT_EQ(store.paths().size(), 3);

    // SHA-256 of the UTF-8 path, lower-case hexadecimal.
    EXPECT_EQ(RecentImagesStore::thumbnailFileName(QStringLiteral("abc")),
              QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad.png"));
    const std::optional<QString> location = RecentImagesStore::thumbnailPath(QStringLiteral("/x.png"));
    ASSERT_TRUE(location);
    EXPECT_TRUE(location->endsWith(QStringLiteral("/Velmaris Images/Thumbnails/")
                                   + RecentImagesStore::thumbnailFileName(QStringLiteral("/x.png"))));
    EXPECT_EQ(location, RecentImagesStore::thumbnailPath(QStringLiteral("/x.png")));
}

TEST(CurrentColorStore, BlackUntilSetThenStoredAndAnnounced)
{
    TemporarySettings temporary;
    CurrentColorStore store(&temporary.settings);
    EXPECT_EQ(store.color(), (StoredColor{0, 0, 0, 1}));
    EXPECT_FALSE(temporary.settings.contains(CurrentColorStore::kKey));

    QSignalSpy spy(&store, &CurrentColorStore::currentColorDidChange);
    store.setColor(StoredColor{0.25, 0.5, 1.0, 0.5});
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(CurrentColorStore(&temporary.settings).color(), (StoredColor{0.25, 0.5, 1.0, 0.5}));

    store.setColor(QColor::fromHsvF(0, 1, 1));  // a colour given in another model is stored as sRGB
    const StoredColor red = CurrentColorStore(&temporary.settings).color();
    EXPECT_NEAR(red.red, 1, 1e-4);
    EXPECT_NEAR(red.green, 0, 1e-4);
    EXPECT_EQ(spy.count(), 2);

    temporary.settings.setValue(CurrentColorStore::kKey, QByteArray("garbage"));
    EXPECT_EQ(CurrentColorStore(&temporary.settings).color(), (StoredColor{0, 0, 0, 1}));

    // The background colour is white until set, and kept apart from the current colour.
    EXPECT_EQ(store.backgroundColor(), (StoredColor{1, 1, 1, 1}));
    store.setBackgroundColor(StoredColor{0, 0, 1, 1});
    EXPECT_EQ(spy.count(), 3);
    const CurrentColorStore reread(&temporary.settings);
    EXPECT_EQ(reread.backgroundColor(), (StoredColor{0, 0, 1, 1}));
    EXPECT_EQ(reread.color(), (StoredColor{0, 0, 0, 1}));
}

TEST(CurrentColorStore, SwapAndResetExchangeBothColorsWithOneAnnouncement)
{
    TemporarySettings temporary;
    CurrentColorStore store(&temporary.settings);
    store.setColor(StoredColor{1, 0, 0, 1});
    store.setBackgroundColor(StoredColor{0, 0, 1, 0.5});
    QSignalSpy spy(&store, &CurrentColorStore::currentColorDidChange);
    store.swapColors();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(store.color(), (StoredColor{0, 0, 1, 0.5}));
    EXPECT_EQ(store.backgroundColor(), (StoredColor{1, 0, 0, 1}));
    const CurrentColorStore swapped(&temporary.settings);
    EXPECT_EQ(swapped.color(), (StoredColor{0, 0, 1, 0.5}));
    EXPECT_EQ(swapped.backgroundColor(), (StoredColor{1, 0, 0, 1}));

    store.resetColors();
    EXPECT_EQ(spy.count(), 2);
    const CurrentColorStore reset(&temporary.settings);
    EXPECT_EQ(reset.color(), (StoredColor{0, 0, 0, 1}));
    EXPECT_EQ(reset.backgroundColor(), (StoredColor{1, 1, 1, 1}));
}

TEST(CurrentColorStore, RecentColorsKeepTheLastEightMadeCurrentOnceEachMostRecentFirst)
{
    TemporarySettings temporary;
    CurrentColorStore store(&temporary.settings);
    EXPECT_TRUE(store.recentColors().isEmpty());
    const auto grey = [](int level) { return StoredColor{level / 10.0, level / 10.0, level / 10.0, 1}; };
    for (int level = 0; level < 10; ++level)
        store.setColor(grey(level));
    ASSERT_EQ(store.recentColors().size(), CurrentColorStore::kMaximumRecentColors);
    EXPECT_EQ(store.recentColors().front(), grey(9));
    EXPECT_EQ(store.recentColors().back(), grey(2));
    store.setColor(grey(5));  // chosen again: moves to the front, not listed twice
    EXPECT_EQ(store.recentColors().front(), grey(5));
    EXPECT_EQ(store.recentColors().count(grey(5)), 1);
    EXPECT_EQ(store.recentColors()[1], grey(9));

    // A colour still being chosen is not listed until it is remembered; the background is never.
    store.previewColor(grey(3));
    store.previewColor(StoredColor{0, 1, 0, 1});
    store.setBackgroundColor(StoredColor{1, 0, 1, 1});
    EXPECT_EQ(store.color(), (StoredColor{0, 1, 0, 1}));
    EXPECT_EQ(store.recentColors().front(), grey(5));
    store.rememberCurrentColor();
    EXPECT_EQ(store.recentColors().front(), (StoredColor{0, 1, 0, 1}));
    EXPECT_EQ(store.recentColors().size(), CurrentColorStore::kMaximumRecentColors);

    EXPECT_EQ(CurrentColorStore(&temporary.settings).recentColors(), store.recentColors());
    // Entries that do not decode are left out; a longer stored list is cut to the maximum.
    QStringList stored;
    for (int index = 0; index < 12; ++index)
        stored.append(QString::fromUtf8(grey(index % 10).toJsonData()));
    stored.insert(1, QStringLiteral("garbage"));
    temporary.settings.setValue(Preferences::key(QString::fromLatin1(PreferenceName::recentColors)), stored);
    const CurrentColorStore reread(&temporary.settings);
    ASSERT_EQ(reread.recentColors().size(), CurrentColorStore::kMaximumRecentColors);
    EXPECT_EQ(reread.recentColors()[1], grey(1));
}

TEST(CurrentColorStore, CustomColorsPersistAcrossAReload)
{
    TemporarySettings temporary;
    CurrentColorStore store(&temporary.settings);
    EXPECT_TRUE(store.customColors().isEmpty());
    const QVector<StoredColor> custom{{1, 0, 0, 1}, {0, 0.5, 1, 0.25}, {1, 1, 1, 1}};
    QSignalSpy spy(&store, &CurrentColorStore::currentColorDidChange);
    store.setCustomColors(custom);
    store.setCustomColors(custom);  // the same again is no change
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(CurrentColorStore(&temporary.settings).customColors(), custom);

    // A store that reloads picks up what another wrote, and announces it.
    CurrentColorStore other(&temporary.settings);
    const QVector<StoredColor> changed{{0, 1, 0, 1}};
    other.setCustomColors(changed);
    other.setColor(StoredColor{0.5, 0.5, 0.5, 1});
    store.reload();
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(store.customColors(), changed);
    EXPECT_EQ(store.color(), (StoredColor{0.5, 0.5, 0.5, 1}));
    EXPECT_EQ(store.recentColors(), other.recentColors());
    store.reload();
    EXPECT_EQ(spy.count(), 2);
}

}  // namespace
}  // namespace velmaris
