#pragma once

#include <QString>

#include <optional>

namespace velmaris {

// One line on standard error, file names in it byte for byte as given.
void printError(const QString& text);
// Exit status of a command: 0, or 1 with its one-line message on standard error.
int reportFailure(const std::optional<QString>& failure);

// Command-line work speaks only through our own lines: broken pipes become write errors and the
// image libraries' messages are dropped. Call while the process has one thread.
void prepareHeadlessOutput();
// The GUI application command-line work needs for text layout, on the offscreen platform unless
// one is chosen, with only Qt's critical messages shown. Never destroyed.
void startHeadlessApplication(int& argc, char** argv);
// Ends the process once its output is flushed, without tearing the application down.
[[noreturn]] void finishHeadless(int status);

}  // namespace velmaris
