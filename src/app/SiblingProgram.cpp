#include "app/SiblingProgram.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace velmaris {

int replaceWithSiblingProgram(const char* name, char* const* argv)
{
    char path[PATH_MAX];
    const std::size_t nameLength = std::strlen(name);
    const ssize_t selfLength = ::readlink("/proc/self/exe", path, sizeof path - 1);
    int error = errno;
    if (selfLength > 0) {
        path[selfLength] = '\0';
        const char* slash = std::strrchr(path, '/');
        const std::size_t folderLength = slash ? std::size_t(slash - path) + 1 : 0;
        if (folderLength + nameLength < sizeof path) {
            std::memcpy(path + folderLength, name, nameLength + 1);
            ::execv(path, argv);
            error = errno;
        } else {
            error = ENAMETOOLONG;
        }
    }
    std::fprintf(stderr, "The program \"%s\" could not be started: %s.\n", selfLength > 0 ? path : name,
                 std::strerror(error));
    return 1;
}

}  // namespace velmaris
