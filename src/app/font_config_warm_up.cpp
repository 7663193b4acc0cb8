#include "app/font_config_warm_up.h"

#include <clocale>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <system_error>

namespace {

// Unset by the display's platform code while the application starts.
bool launcherVariableSet()
{
    for (const char* name : {"DESKTOP_STARTUP_ID", "DESKTOP_AUTOSTART_ID", "XDG_ACTIVATION_TOKEN"}) {
        if (std::getenv(name))
            return true;
    }
    return false;
}

} // namespace

FontConfigWarmUp::FontConfigWarmUp()
{
    if (launcherVariableSet())
        return;
    std::setlocale(LC_ALL, "");
    try {
        thread_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // Loaded on first use instead.
    }
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    finish();
}

void FontConfigWarmUp::finish()
{
    if (thread_.joinable())
        thread_.join();
}
