#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Text layout and painting need a GUI application; no display is needed or wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VelmarisTests"));
    QApplication::setApplicationName(QStringLiteral("Velmaris Images Tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
