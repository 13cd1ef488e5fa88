#pragma once

#include "app/CommandLineRequest.h"

namespace velmaris {

// Runs a command-line request (--export, --help …) or starts the editor.
int runApplication(int argc, char** argv);

}  // namespace velmaris
