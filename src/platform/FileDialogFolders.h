#pragma once

#include <QString>

#include <optional>

namespace velmaris {

// The folder for a dialog that offers pictures: `pictures` when it exists, else `home`. A dialog
// told of a folder that does not exist takes its name for a file name.
QString picturesFolder(const QString& pictures, const QString& home);
// The same for the user's own Pictures and home folders.
QString picturesFolder();

// Where a save or open dialog starts: the folder of the document's file; for an untitled document
// the folder last used for a save or open while it exists; else `fallback`.
QString fileDialogFolder(const QString& documentPath, const std::optional<QString>& lastFolder,
                         const QString& fallback);
// The same with the last folder from the settings and the Pictures folder as the fallback.
QString fileDialogFolder(const QString& documentPath = {});
// Keeps the folder of a file just opened or saved for the next dialog.
void rememberFileFolder(const QString& filePath);

}  // namespace velmaris
