#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // Also when run by hand or for test discovery: no display needed, and
    // geometry read in device pixels.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "1");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
