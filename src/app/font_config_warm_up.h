#pragma once
// Reads the desktop's font configuration on a thread of its own while the
// application connects to the display; the first text measured would
// otherwise wait for it, about 5 ms. Fontconfig keeps one configuration per
// process, so the window's fonts find it loaded. finish() joins the thread;
// call it before any text is measured.
//
// Fontconfig reads the environment and the locale, which the application
// changes while it starts: the locale is set first, as the application sets
// it, and there is no thread when a launcher left a startup variable the
// application unsets (or when no thread can be made).

#include <thread>

class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;
    ~FontConfigWarmUp();

    bool started() const { return thread_.joinable(); }
    void finish();

private:
    std::thread thread_;
};
