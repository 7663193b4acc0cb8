#include "model/path_text.h"

#include <QByteArray>

QString displayText(const std::filesystem::path& path)
{
    return displayText(std::string_view(path.native()));
}

QString displayText(std::string_view nameBytes)
{
    return QString::fromUtf8(nameBytes.data(), qsizetype(nameBytes.size()));
}

std::filesystem::path pathFromText(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::filesystem::path(std::string(bytes.constData(), std::size_t(bytes.size())));
}
