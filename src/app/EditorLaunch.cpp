#include "app/EditorLaunch.h"

#include "document/DocumentController.h"
#include "platform/CurrentColorStore.h"
#include "platform/Preferences.h"
#include "window/DocumentWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace velmaris {

namespace {

DocumentWindow* showDocumentWindow(DocumentController& controller, ImageDocument* document)
{
    auto* window = new DocumentWindow(document);
    QObject::connect(window, &DocumentWindow::windowWillClose, &controller,
                     [&controller](ImageDocument* closing) {
                         if (closing)
                             controller.closeDocument(closing);
                     });
    window->show();
    return window;
}

}  // namespace

int runEditor(int& argc, char** argv, const QStringList& files)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmaris Images"));
    QApplication::setApplicationVersion(QStringLiteral(VELMARIS_VERSION));
    Preferences::registerDefaults();
    DocumentController controller;
    controller.startAutosaveTimer();
    int windows = 0;
    for (const QString& path : files) {
        FileResult<ImageDocument*> opened = controller.openDocument(path);
        if (const FileError* error = std::get_if<FileError>(&opened)) {
            QMessageBox::warning(nullptr, QFileInfo(path).fileName(), error->message);
            continue;
        }
        showDocumentWindow(controller, std::get<ImageDocument*>(opened));
        ++windows;
    }
    if (files.isEmpty()) {
        showDocumentWindow(controller, controller.addDocument(std::make_unique<ImageDocument>(
                                           documentDefaults(Preferences(), CurrentColorStore::shared().color()))));
        ++windows;
    }
    if (windows == 0)
        return 1;
    const int status = app.exec();
    controller.waitForSaves();
    return status;
}

}  // namespace velmaris
