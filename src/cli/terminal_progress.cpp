#include "cli/terminal_progress.h"

#include "cli/shown_name.h"
#include "transfer/progress_text.h"

#include <sys/ioctl.h>

QString progressLine(const ItemProgress& item, const TransferPace& pace, I18n::Language language)
{
    if (item.checkingDrive)
        return I18n::text("progress.path.checkingDrive", language);
    return QString::number(item.index) + QStringLiteral(" / ") + QString::number(item.total) + u' ' +
           escapedName(item.name) + QStringLiteral("  ") + runProgressText(item, pace, language);
}

void TerminalProgress::startItem(std::int64_t index, std::int64_t total, const QString& name)
{
    show(QString::number(index) + QStringLiteral(" / ") + QString::number(total) + u' ' + escapedName(name));
}

void TerminalProgress::update(const ItemProgress& item)
{
    pace_.record(item);
    show(progressLine(item, pace_, I18n::language()));
}

void TerminalProgress::finish()
{
    std::fputs("\r\033[K", terminal_);
    std::fflush(terminal_);
}

void TerminalProgress::show(const QString& line)
{
    // Never wider than the terminal: a wrapped line could not be rewritten.
    QString shown = line;
    winsize size{};
    if (::ioctl(::fileno(terminal_), TIOCGWINSZ, &size) == 0 && size.ws_col > 1 && shown.size() >= size.ws_col)
        shown = shown.left(size.ws_col - 2) + QStringLiteral("…");
    std::fprintf(terminal_, "\r%s\033[K", shown.toUtf8().constData());
    std::fflush(terminal_);
}
