#include "platform/FileDialogFolders.h"

#include "platform/Preferences.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmaris {

QString picturesFolder(const QString& pictures, const QString& home)
{
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : home;
}

QString picturesFolder()
{
    return picturesFolder(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation), QDir::homePath());
}

QString fileDialogFolder(const QString& documentPath, const std::optional<QString>& lastFolder,
                         const QString& fallback)
{
    if (!documentPath.isEmpty())
        return QFileInfo(documentPath).absolutePath();
    if (lastFolder && !lastFolder->isEmpty() && QFileInfo(*lastFolder).isDir())
        return *lastFolder;
    return fallback;
}

QString fileDialogFolder(const QString& documentPath)
{
    return fileDialogFolder(documentPath, Preferences().lastFileFolder(), picturesFolder());
}

void rememberFileFolder(const QString& filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    Preferences preferences;
    if (preferences.lastFileFolder() != folder)
        preferences.setValue(QString::fromLatin1(PreferenceName::lastFileFolder), folder);
}

}  // namespace velmaris
