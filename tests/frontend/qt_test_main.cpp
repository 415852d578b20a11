#include <QApplication>
#include <gtest/gtest.h>

// The application object must exist before any widget a test creates.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
