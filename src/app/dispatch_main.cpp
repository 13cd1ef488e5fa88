// The program people, scripts and the desktop run. It loads nothing but the C library and passes
// its arguments on: the description of a native document to the program that gives it without the
// editor's codecs and widgets, everything else to the editor program. Loading those libraries is
// most of the time of such a query.

#include "app/SiblingProgram.h"
#include "files/NativeExtension.h"

#include <cstring>

#include <strings.h>

namespace {

// Whether the arguments are "--info" and a file with the native extension, judged as file names
// are elsewhere: by what follows the last dot of the name. Only a shortcut, so it may err: the
// describing program checks again and hands on anything else.
bool asksForNativeInfo(int argc, char** argv)
{
    if (argc != 3 || std::strcmp(argv[1], "--info") != 0)
        return false;
    const char* slash = std::strrchr(argv[2], '/');
    const char* name = slash ? slash + 1 : argv[2];
    const char* dot = std::strrchr(name, '.');
    return dot && ::strcasecmp(dot + 1, velmaris::VelmarisImageFormat::kNativeExtension) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    return velmaris::replaceWithSiblingProgram(asksForNativeInfo(argc, argv) ? VELMARIS_INFO_PROGRAM : VELMARIS_EDITOR_PROGRAM,
                                               argv);
}
