#pragma once
// JSON written as it is made, a piece at a time, into a device: a record of
// a million files never stands whole in memory, as a document or as text.
// Indented as QJsonDocument indents, so what it writes reads the same.
// Keys are plain ASCII; strings are written as UTF-8.

#include <QByteArray>
#include <QIODevice>
#include <QLatin1StringView>
#include <QString>

#include <cstdint>
#include <vector>

class JsonWriter {
public:
    explicit JsonWriter(QIODevice& out);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The key of the next value, inside an object.
    void key(const char* name);
    void value(const QString& text);
    void value(QLatin1StringView text);
    void value(std::int64_t number);
    // A whole value already written as JSON, read from the start of `in`.
    void copyValue(QIODevice& in);

    // Writes what is left; false where any write failed.
    bool finish();

private:
    void beforeValue();
    void close(char bracket);
    void flushSome();

    QIODevice& out_;
    QByteArray pending_;
    std::vector<bool> filled_; // per open object or array: holds something
    bool afterKey_ = false;
    bool ok_ = true;
};
