#include "app/font_config_warm_up.h"

#include <fontconfig/fontconfig.h>

FontConfigWarmUp::FontConfigWarmUp() : thread_([] { FcInit(); }) {}

FontConfigWarmUp::~FontConfigWarmUp()
{
    finish();
}

void FontConfigWarmUp::finish()
{
    if (thread_.joinable())
        thread_.join();
}
