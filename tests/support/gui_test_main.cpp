#include <QApplication>

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

int main(int argc, char* argv[])
{
    // Also when run by hand or for test discovery: no display needed, and
    // geometry read in device pixels.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "1");
    // A runtime folder of its own: runs of two test programs at once hold
    // their drives (the system's temporary folder among them) apart.
    const TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().native()));
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
