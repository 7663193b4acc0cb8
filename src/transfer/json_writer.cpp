#include "transfer/json_writer.h"

namespace {

constexpr qsizetype flushAt = 64 * 1024;

void appendEscaped(QByteArray& out, const QByteArray& utf8)
{
    static constexpr char hex[] = "0123456789abcdef";
    out.append('"');
    for (const char c : utf8) {
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out.append("\\u00");
                out.append(hex[(c >> 4) & 0xf]);
                out.append(hex[c & 0xf]);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
}

} // namespace

JsonWriter::JsonWriter(QIODevice& out) : out_(out) {}

void JsonWriter::beforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!filled_.empty()) {
        if (filled_.back())
            pending_.append(',');
        pending_.append('\n');
        pending_.append(QByteArray(qsizetype(filled_.size()) * 4, ' '));
        filled_.back() = true;
    }
}

void JsonWriter::beginObject()
{
    beforeValue();
    pending_.append('{');
    filled_.push_back(false);
}

void JsonWriter::beginArray()
{
    beforeValue();
    pending_.append('[');
    filled_.push_back(false);
}

void JsonWriter::close(char bracket)
{
    if (!filled_.empty())
        filled_.pop_back();
    pending_.append('\n');
    pending_.append(QByteArray(qsizetype(filled_.size()) * 4, ' '));
    pending_.append(bracket);
    flushSome();
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::key(const char* name)
{
    beforeValue();
    appendEscaped(pending_, QByteArray(name));
    pending_.append(": ");
    afterKey_ = true;
}

void JsonWriter::value(const QString& text)
{
    beforeValue();
    appendEscaped(pending_, text.toUtf8());
    flushSome();
}

void JsonWriter::value(QLatin1StringView text)
{
    value(QString(text));
}

void JsonWriter::value(std::int64_t number)
{
    beforeValue();
    pending_.append(QByteArray::number(qint64(number)));
}

void JsonWriter::copyValue(QIODevice& in)
{
    beforeValue();
    ok_ = ok_ && out_.write(pending_) == pending_.size() && in.seek(0);
    pending_.clear();
    while (ok_ && !in.atEnd()) {
        const QByteArray piece = in.read(flushAt);
        ok_ = !piece.isEmpty() && out_.write(piece) == piece.size();
    }
}

void JsonWriter::flushSome()
{
    if (pending_.size() < flushAt)
        return;
    ok_ = ok_ && out_.write(pending_) == pending_.size();
    pending_.clear();
}

bool JsonWriter::finish()
{
    if (filled_.empty())
        pending_.append('\n');
    ok_ = ok_ && out_.write(pending_) == pending_.size();
    pending_.clear();
    return ok_;
}
