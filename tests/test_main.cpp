#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Text layout and painting need a GUI application; no display is needed or wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings, thumbnails and autosaves go to test folders, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VelmarisTests"));
    QApplication::setApplicationName(QStringLiteral("Velmaris Images Tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
