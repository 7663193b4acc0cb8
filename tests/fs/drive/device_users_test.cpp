// Which processes serve a drive, as the remount waits for them to end.

#include "fs/drive/device_users.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// A driver is found by its command line, but this program, which names the
// drive too when it was given it ("--to /media/STICK"), is never waited for:
// it cannot end before itself, and each remount waited the whole limit.
TEST(DeviceUsers, AProgramNamingTheDriveIsFoundButNeverThisOne)
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string ownProgram = line.substr(0, line.find('\0')); // named on this program's own command line

    std::string script = "kill -STOP $$"; // waits without a child left behind
    std::vector<char*> argv{const_cast<char*>("sh"), const_cast<char*>("-c"), script.data(),
                            const_cast<char*>(ownProgram.c_str()), nullptr};
    pid_t other = -1;
    ASSERT_EQ(posix_spawn(&other, "/bin/sh", nullptr, nullptr, argv.data(), environ), 0);
    std::vector<pid_t> found;
    for (int tries = 0; tries < 100 && std::find(found.begin(), found.end(), other) == found.end(); ++tries) {
        usleep(20'000); // until the shell is running
        found = processesNaming(ownProgram);
    }
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);

    EXPECT_NE(std::find(found.begin(), found.end(), other), found.end());
    EXPECT_EQ(std::find(found.begin(), found.end(), getpid()), found.end());
    EXPECT_EQ(std::find(found.begin(), found.end(), getppid()), found.end());
}
