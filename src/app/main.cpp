// Process entry: one application, one window; closing it ends the process.

#include "app/app_delegate.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Loftwell"));
    // Loftwell keeps no files of its own; Qt's file dialog would otherwise
    // save its history under ~/.config.
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/nonexistent/loftwell-keeps-no-settings"));
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return application.exec();
}
