#include "cli/measuring_line.h"

#include "cli/shown_name.h"
#include "scan/measured_text.h"

#include <condition_variable>
#include <cstdio>
#include <unistd.h>

MeasuringLine::MeasuringLine() : terminal_(::isatty(STDERR_FILENO) == 1)
{
    if (!terminal_)
        return;
    ticker_ = std::jthread([this](std::stop_token stop) {
        // Woken at once by the stop, so the end of a scan never waits for a tick.
        std::mutex mutex;
        std::condition_variable_any tick;
        std::unique_lock lock(mutex);
        while (!stop.stop_requested()) {
            tick.wait_for(lock, stop, std::chrono::milliseconds(250), [] { return false; });
            if (!stop.stop_requested())
                show();
        }
    });
}

MeasuringLine::~MeasuringLine()
{
    if (ticker_.joinable()) {
        ticker_.request_stop();
        ticker_.join();
    }
}

MeasuringObserver MeasuringLine::observer()
{
    if (!terminal_)
        return {};
    return [this](const std::filesystem::path& item) {
        {
            std::lock_guard lock(mutex_);
            ended_ = item.empty();
            item_ = QString::fromUtf8(escapedName(item.native()));
        }
        show();
    };
}

void MeasuringLine::show()
{
    std::lock_guard lock(mutex_);
    if (ended_) {
        // Once: the terminal's later lines (a transfer's) are not ours.
        if (!cleared_) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            cleared_ = true;
        }
        return;
    }
    QString line = item_;
    const std::int64_t files = tally_.files.load(std::memory_order_relaxed);
    if (files > 0)
        line = measuredText(files, tally_.bytes.load(std::memory_order_relaxed), I18n::language()) +
               QStringLiteral(" · ") + line;
    // The end of a long path says most; a wrapped line could not be rewritten.
    if (line.size() > 78)
        line = line.left(40) + QStringLiteral("…") + line.right(37);
    std::fprintf(stderr, "\r\033[K%s", line.toUtf8().constData());
    std::fflush(stderr);
}
