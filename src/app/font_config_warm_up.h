#pragma once
// Reads the desktop's font configuration on a thread of its own while the
// application connects to the display; the first text measured would
// otherwise wait for it, about 5 ms. Fontconfig keeps one configuration per
// process, so the window's fonts find it loaded. finish() joins the thread;
// call it before any text is measured.

#include <thread>

class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;
    ~FontConfigWarmUp();

    void finish();

private:
    std::thread thread_;
};
