// Process entry: one application, one window; closing it ends the process.

#include "app/app_delegate.h"

#include "ui/settings_guard.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Loftwell"));
    keepNoSettingsFiles();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return application.exec();
}
