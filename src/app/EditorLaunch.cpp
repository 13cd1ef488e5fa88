#include "app/EditorLaunch.h"

#include "app/CanvasWindow.h"
#include "document/DocumentController.h"
#include "platform/CurrentColorStore.h"
#include "platform/Preferences.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>

#include <memory>
#include <vector>

namespace velmaris {

int runEditor(int& argc, char** argv, const QStringList& files)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmaris Images"));
    // Lets the desktop match the windows to the installed entry, and so show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("app.velmaris.VelmarisImages"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("velmaris-images")));
    Preferences::registerDefaults();
    DocumentController controller;
    controller.startAutosaveTimer();
    std::vector<std::unique_ptr<CanvasWindow>> windows;
    for (const QString& path : files) {
        FileResult<ImageDocument*> opened = controller.openDocument(path);
        if (const FileError* error = std::get_if<FileError>(&opened)) {
            QMessageBox::warning(nullptr, QFileInfo(path).fileName(), error->message);
            continue;
        }
        windows.push_back(std::make_unique<CanvasWindow>(*std::get<ImageDocument*>(opened), QFileInfo(path).fileName()));
    }
    if (windows.empty()) {
        ImageDocument* document = controller.addDocument(std::make_unique<ImageDocument>(
            documentDefaults(Preferences(), CurrentColorStore::shared().color())));
        windows.push_back(std::make_unique<CanvasWindow>(*document, QStringLiteral("Untitled")));
    }
    for (const auto& window : windows)
        window->show();
    return app.exec();
}

}  // namespace velmaris
