#include "app/EditorLaunch.h"

#include "app/Application.h"
#include "app/UpdateController.h"
#include "files/DecodeHelper.h"
#include "platform/Preferences.h"
#include "render/RenderCancellation.h"
#include "window/SymbolIcons.h"

#include <QApplication>

namespace velmaris {

int runEditor(int& argc, char** argv, const QStringList& files)
{
    // Files opened at launch and the welcome window's thumbnails are decoded in a helper: it starts
    // while the windows are built.
    DecodeHelperPool::shared().forkAhead();
    QApplication app(argc, argv);
    // The settings live in a folder named after the program ("Velmaris/Velmaris Images.conf").
    QApplication::setOrganizationName(QStringLiteral("Velmaris"));
    QApplication::setApplicationName(QStringLiteral("Velmaris Images"));
    QApplication::setApplicationVersion(QStringLiteral(VELMARIS_VERSION));
    // Lets the desktop match the windows to the installed entry, and so show its icon.
    QApplication::setDesktopFileName(QStringLiteral("app.velmaris.VelmarisImages"));
    QApplication::setWindowIcon(symbolIcon(QStringLiteral("velmaris-images")));
    // The welcome window takes the place of the last document window, and quitting first asks
    // about unsaved documents, so closing a window never ends the program by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    Preferences::moveSettingsOfUnnamedOrganization();
    Preferences::registerDefaults();
    Application application;
    QObject::connect(&application, &Application::quitFinished, &app, &QApplication::quit);
    // Every window is closed and every save done: a render still running is of no use.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &RenderCancellation::cancelEverything);
    application.documents().startAutosaveTimer();
    application.launch(files);
    application.updates().checkAtLaunch();
    return app.exec();
}

}  // namespace velmaris
