#include "cli/terminal_progress.h"

#include "model/byte_format.h"

#include <sys/ioctl.h>

QString progressLine(const ItemProgress& item, double bytesPerSecond, I18n::Language language)
{
    const bool chinese = language == I18n::Language::chinese;
    QString line = QString::number(item.index) + QStringLiteral(" / ") + QString::number(item.total) + u' ' + item.name;
    line += QStringLiteral("  ") + formatBytes(item.bytesDone) +
            (chinese ? QStringLiteral(" / ") : QStringLiteral(" of ")) + formatBytes(item.bytesTotal) +
            QStringLiteral("  ");
    if (item.verifying)
        line += chinese ? QStringLiteral("正在校验") : QStringLiteral("verifying");
    else if (bytesPerSecond > 0)
        line += formatBytes(std::int64_t(bytesPerSecond)) + QStringLiteral("/s");
    return line.trimmed();
}

void TerminalProgress::startItem(std::int64_t index, std::int64_t total, const QString& name)
{
    show(QString::number(index) + QStringLiteral(" / ") + QString::number(total) + u' ' + name);
}

void TerminalProgress::update(const ItemProgress& item)
{
    const auto now = std::chrono::steady_clock::now();
    if (item.bytesDone == 0 || item.verifying != verifying_) {
        verifying_ = item.verifying;
        phaseStart_ = now;
    }
    // A speed needs a moment of copying to mean anything.
    const double seconds = std::chrono::duration<double>(now - phaseStart_).count();
    show(progressLine(item, seconds > 0.05 ? double(item.bytesDone) / seconds : 0, I18n::language()));
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
