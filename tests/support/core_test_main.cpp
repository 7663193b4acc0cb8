#include <QCoreApplication>

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

int main(int argc, char* argv[])
{
    // A runtime folder of its own: runs of two test programs at once hold
    // their drives (the system's temporary folder among them) apart.
    const TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().native()));
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
