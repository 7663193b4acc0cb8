#include "ui/settings_guard.h"

#include <QSettings>

void keepNoSettingsFiles()
{
    // Below a path that cannot exist (a file's name followed by a folder), so
    // nothing is ever created, whoever runs the program.
    const QString nowhere = QStringLiteral("/dev/null/loftwell-keeps-no-settings");
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, nowhere);
        QSettings::setPath(format, QSettings::SystemScope, nowhere);
    }
}
