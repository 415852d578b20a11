#include <QApplication>
#include <gtest/gtest.h>

// The application object must exist before any widget a test creates.
int main(int argc, char** argv)
{
    // Headless unless told otherwise: test discovery at build time runs without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
