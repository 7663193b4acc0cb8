#pragma once
// Qt's own texts (the file dialog's labels, standard buttons) in the
// window's language: when the interface is Chinese, Qt's Chinese
// translations are loaded from where Debian installs them
// (qt6-translations-l10n). GUI thread, once, after the application exists.

#include "model/text_table.h"

// True when a translation was installed.
bool installQtTranslations(I18n::Language language);
