#pragma once

#include <QStringList>

namespace velmaris {

// Runs the editor: one window per file (a new blank image when there is none). Files that cannot
// be opened are reported and skipped. Returns the application's exit status.
int runEditor(int& argc, char** argv, const QStringList& files);

}  // namespace velmaris
