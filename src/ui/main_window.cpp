#include "ui/main_window.h"

#include "model/text_table.h"

std::unique_ptr<QWidget> makeMainWindow()
{
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(I18n::text("app.title"));
    window->resize(mainWindowWidth, mainWindowHeight);
    return window;
}
