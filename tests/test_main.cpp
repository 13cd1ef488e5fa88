#ifdef VELMARIS_TESTS_RESET_PLATFORM
#include "platform/AppShortcuts.h"
#include "platform/CurrentColorStore.h"
#include "platform/Preferences.h"
#endif

#ifdef VELMARIS_TESTS_DECODE_HELPER
#include "files/DecodeHelper.h"
#endif

#ifdef VELMARIS_TESTS_WIDGETS
#include <QApplication>
#else
#include <QGuiApplication>
#endif
#ifdef VELMARIS_TESTS_SERIAL_TBB
#include <tbb/global_control.h>
#endif

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

#ifdef VELMARIS_TESTS_WIDGETS
using TestApplication = QApplication;
#else
// The layers below canvas link no widgets; text layout and painting need only a GUI application.
using TestApplication = QGuiApplication;
#endif

// Every test starts from what a first launch sees: no stored settings, no registered defaults,
// the current colour black and empty data folders. Tests then pass in any order.
class FreshApplicationState : public ::testing::EmptyTestEventListener {
public:
    explicit FreshApplicationState(QString dataFolder) : dataFolder_(std::move(dataFolder)) {}

    void OnTestStart(const ::testing::TestInfo&) override { reset(); }

private:
    void reset()
    {
#ifdef VELMARIS_TESTS_RESET_PLATFORM
        velmaris::Preferences::unregisterDefaults();
#endif
        QSettings().clear();
#ifdef VELMARIS_TESTS_RESET_PLATFORM
        // The shared colours, recent and custom colours were read from the settings just cleared.
        velmaris::CurrentColorStore::shared().reload();
        // The shared shortcut overrides were read from the settings just cleared.
        velmaris::AppShortcutPreferences::shared().reload();
        velmaris::AppShortcutPreferences::shared().setCapturingShortcut(false);
#endif
        QDir(dataFolder_).removeRecursively();
        QDir().mkpath(dataFolder_);
    }

    QString dataFolder_;
};

}  // namespace

int main(int argc, char** argv)
{
#ifdef VELMARIS_TESTS_DECODE_HELPER
    // The test program is its own decode helper, as the editor is.
    if (const std::optional<int> helperExit = velmaris::runDecodeHelperIfAsked(argc, argv))
        return *helperExit;
#endif
#ifdef VELMARIS_TESTS_FORK_DECODE_HELPER
    // As the command line does: the shared pool's first helper is forked from this process.
    velmaris::DecodeHelperPool::shared().forkAhead();
#endif
    // No display is needed or wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings, thumbnails and autosaves go to folders of this run alone, never the user's own nor
    // those of a test process running beside this one.
    const QTemporaryDir home;
    const QString dataFolder = home.filePath(QStringLiteral("data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataFolder));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral("state"))));
#ifdef VELMARIS_TESTS_SERIAL_TBB
    // ThreadSanitizer cannot see the ordering that TBB's uninstrumented scheduler gives the bands of
    // a parallel loop and would report each loop as a race: the loops run on the calling thread.
    const tbb::global_control serialLoops(tbb::global_control::max_allowed_parallelism, 1);
#endif
    TestApplication app(argc, argv);
    TestApplication::setOrganizationName(QStringLiteral("VelmarisTests"));
    TestApplication::setApplicationName(QStringLiteral("Velmaris Images Tests"));
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshApplicationState(dataFolder));
    return RUN_ALL_TESTS();
}
