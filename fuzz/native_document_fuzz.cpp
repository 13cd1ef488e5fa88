// Feeds arbitrary bytes to the native document reader: it must fail cleanly or return contents.
#include "files/VelmarisImageFormat.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Image plug-ins and fonts need an application object; no display is wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)velmaris::VelmarisImageFormat::decode(bytes);
    return 0;
}
