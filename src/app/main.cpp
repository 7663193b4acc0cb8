// Process entry: one application, one window; closing it ends the process.

#include "app/app_delegate.h"
#include "app/font_config_warm_up.h"
#include "app/quit_on_signal.h"

#include "fs/open_file_limit.h"
#include "model/text_table.h"
#include "ui/app_font.h"
#include "ui/qt_translations.h"
#include "ui/settings_guard.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

int main(int argc, char* argv[])
{
    // Answered before any window system is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("loftwell %s\n", LOFTWELL_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: loftwell [-h | --help | --version] [PATH...]\n\n"
                        "Frees space on this computer's disk by moving big personal items to an\n"
                        "external drive: choose a destination, let Loftwell recommend items in the\n"
                        "folders you authorise, tick them and transfer. Originals only ever go to\n"
                        "the Trash, after a verified copy. Started with PATHs (files or folders),\n"
                        "the list holds exactly those, ticked. See also loftwell-cli(1).\n\n"
                        "Exit status: 0 when the window is closed; another status means the\n"
                        "window could not start (for example, without a display).\n");
            return 0;
        }
    }
    raiseOpenFileLimit();
    FontConfigWarmUp fontConfig;
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Loftwell"));
    keepNoSettingsFiles();
    fontConfig.finish();
    // Dialogs and every control without a font of its own speak in the window's face.
    QApplication::setFont(appFont(13, FontWeight::regular));
    installQtTranslations(I18n::language());
    quitOnTerminationSignals();
    // What is left once Qt took its own options: the items to list, as bytes.
    std::vector<std::filesystem::path> items;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (!optionsEnded && std::strcmp(argv[i], "--") == 0) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argv[i][0] == '-')
            continue;
        std::error_code error;
        const std::filesystem::path path = std::filesystem::absolute(argv[i], error);
        items.push_back(error ? std::filesystem::path(argv[i]) : path.lexically_normal());
    }
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching(items);
    return application.exec();
}
