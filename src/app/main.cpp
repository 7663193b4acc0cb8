// Process entry: one application, one window; closing it ends the process.

#include "ui/main_window.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const auto window = makeMainWindow();
    window->show();
    return application.exec();
}
