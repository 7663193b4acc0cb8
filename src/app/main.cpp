// Process entry: one application, one window; closing it ends the process.

#include "app/app_delegate.h"
#include "app/quit_on_signal.h"

#include "ui/settings_guard.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Loftwell"));
    keepNoSettingsFiles();
    quitOnTerminationSignals();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return application.exec();
}
