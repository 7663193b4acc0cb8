#include "support/unprivileged.h"

#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

namespace {

bool dropFileCapabilities()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        const std::uint32_t bit = 1u << (cap % 32);
        data[cap / 32].effective &= ~bit;
        data[cap / 32].permitted &= ~bit;
        data[cap / 32].inheritable &= ~bit;
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

namespace {

std::string runForked(const std::function<std::string()>& work, bool dropCapabilities)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "child failed";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "child failed";
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string answer =
            !dropCapabilities || dropFileCapabilities() ? work() : std::string("could not drop capabilities");
        const char* data = answer.data();
        std::size_t left = answer.size();
        while (left > 0) {
            const auto n = ::write(pipeFds[1], data, left);
            if (n <= 0)
                break;
            data += n;
            left -= std::size_t(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string answer;
    char buffer[4096];
    for (;;) {
        const auto n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        answer.append(buffer, std::size_t(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed";
    return answer;
}

} // namespace

std::string runWithoutFileCapabilities(const std::function<std::string()>& work)
{
    return runForked(work, true);
}

std::string runWithPrivateMounts(const std::function<std::string()>& work)
{
    return runForked(
        [&]() -> std::string {
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return "skip";
            return work();
        },
        false);
}

std::string runInChild(const std::function<std::string()>& work)
{
    return runForked(work, false);
}
