// Fontconfig's early start stays off while the application may still change
// the environment it reads.

#include "app/font_config_warm_up.h"

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

TEST(FontConfigWarmUp, StartsOnlyWhenNoLauncherVariableIsLeftToUnset)
{
    for (const char* name : {"DESKTOP_STARTUP_ID", "DESKTOP_AUTOSTART_ID", "XDG_ACTIVATION_TOKEN"}) {
        qputenv(name, QByteArrayLiteral("launcher-1"));
        FontConfigWarmUp warmUp;
        EXPECT_FALSE(warmUp.started()) << name;
        qunsetenv(name);
    }
    FontConfigWarmUp warmUp;
    EXPECT_TRUE(warmUp.started());
    warmUp.finish();
    EXPECT_FALSE(warmUp.started());
}
