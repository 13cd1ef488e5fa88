#include "platform/AppShortcuts.h"
#include "platform/CurrentColorStore.h"
#include "platform/Preferences.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Every test starts from what a first launch sees: no stored settings, no registered defaults,
// the current colour black and empty data folders. Tests then pass in any order.
class FreshApplicationState : public ::testing::EmptyTestEventListener {
public:
    explicit FreshApplicationState(QString dataFolder) : dataFolder_(std::move(dataFolder)) {}

    void OnTestStart(const ::testing::TestInfo&) override { reset(); }

private:
    void reset()
    {
        velmaris::Preferences::unregisterDefaults();
        if (velmaris::CurrentColorStore::shared().color() != velmaris::StoredColor{0, 0, 0, 1})
            velmaris::CurrentColorStore::shared().setColor(velmaris::StoredColor{0, 0, 0, 1});
        QSettings().clear();
        // The shared shortcut overrides were read from the settings just cleared.
        velmaris::AppShortcutPreferences::shared().reload();
        velmaris::AppShortcutPreferences::shared().setCapturingShortcut(false);
        QDir(dataFolder_).removeRecursively();
        QDir().mkpath(dataFolder_);
    }

    QString dataFolder_;
};

}  // namespace

int main(int argc, char** argv)
{
    // Text layout and painting need a GUI application; no display is needed or wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings, thumbnails and autosaves go to folders of this run alone, never the user's own nor
    // those of a test process running beside this one.
    const QTemporaryDir home;
    const QString dataFolder = home.filePath(QStringLiteral("data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataFolder));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral("state"))));
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VelmarisTests"));
    QApplication::setApplicationName(QStringLiteral("Velmaris Images Tests"));
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshApplicationState(dataFolder));
    return RUN_ALL_TESTS();
}
