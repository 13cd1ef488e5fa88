#include "app/CommandLine.h"

#include <QApplication>

namespace velmaris {

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    return 0;
}

}  // namespace velmaris
