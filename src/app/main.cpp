#include "app/CommandLine.h"
#include "files/DecodeHelper.h"

int main(int argc, char** argv)
{
    // The decode helper is this program too; it starts no application of its own.
    if (const std::optional<int> helperExit = velmaris::runDecodeHelperIfAsked(argc, argv))
        return *helperExit;
    return velmaris::runApplication(argc, argv);
}
