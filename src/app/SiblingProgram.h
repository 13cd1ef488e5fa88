#pragma once

namespace velmaris {

// Replaces this process with the program of that name beside this one's own file (the name it was
// started by need not lead there), with the same arguments. Returns only if it cannot be started,
// after printing why on standard error: the exit status to end with. Uses nothing but the C library.
int replaceWithSiblingProgram(const char* name, char* const* argv);

}  // namespace velmaris
