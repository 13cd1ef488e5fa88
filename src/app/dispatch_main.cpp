// The program people, scripts and the desktop run. It loads nothing but the C library and passes
// its arguments on: --info to the program that describes native documents without the editor's
// codecs and widgets, everything else to the editor program. Loading those libraries is most of
// the time of a small query.

#include "app/SiblingProgram.h"

#include <cstring>

int main(int argc, char** argv)
{
    const bool info = argc > 1 && std::strcmp(argv[1], "--info") == 0;
    return velmaris::replaceWithSiblingProgram(info ? VELMARIS_INFO_PROGRAM : VELMARIS_EDITOR_PROGRAM, argv);
}
