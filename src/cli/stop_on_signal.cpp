#include "cli/stop_on_signal.h"

#include <csignal>
#include <pthread.h>
#include <thread>

std::stop_token stopOnTerminationSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::stop_source source;
    // Lives as long as the process: it ends with it.
    std::thread([source, signals]() mutable {
        for (;;) {
            int received = 0;
            if (::sigwait(&signals, &received) == 0)
                source.request_stop();
        }
    }).detach();
    return source.get_token();
}
