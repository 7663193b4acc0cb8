#include "cli/shown_name.h"

namespace {

const char* namedEscape(unsigned char byte)
{
    switch (byte) {
    case '\a': return "\\a";
    case '\b': return "\\b";
    case '\t': return "\\t";
    case '\n': return "\\n";
    case '\v': return "\\v";
    case '\f': return "\\f";
    case '\r': return "\\r";
    case '\\': return "\\\\";
    default: return nullptr;
    }
}

void appendOctal(QByteArray& out, unsigned char byte)
{
    out.append('\\');
    out.append(char('0' + (byte >> 6)));
    out.append(char('0' + ((byte >> 3) & 7)));
    out.append(char('0' + (byte & 7)));
}

} // namespace

QByteArray escapedName(std::string_view bytes)
{
    QByteArray out;
    out.reserve(qsizetype(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        // C1 controls arrive as UTF-8 C2 80 to C2 9F; a terminal may act on them.
        if (byte == 0xC2 && i + 1 < bytes.size()) {
            const auto next = static_cast<unsigned char>(bytes[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                appendOctal(out, byte);
                appendOctal(out, next);
                ++i;
                continue;
            }
        }
        if (const char* escape = namedEscape(byte))
            out.append(escape);
        else if (byte < 0x20 || byte == 0x7F)
            appendOctal(out, byte);
        else
            out.append(char(byte));
    }
    return out;
}

QString escapedName(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return QString::fromUtf8(escapedName(std::string_view(utf8.constData(), std::size_t(utf8.size()))));
}
