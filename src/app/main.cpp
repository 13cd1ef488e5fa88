#include "app/CommandLine.h"

int main(int argc, char** argv)
{
    return velmaris::runApplication(argc, argv);
}
