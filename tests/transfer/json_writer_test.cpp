// JSON written piece by piece reads as the document it stands for, with
// every name as it was, and is written as Qt writes the same document.

#include "transfer/json_writer.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

TEST(JsonWriter, WritesWhatQtWritesEvenPastItsBufferAndTellsAFailedWrite)
{
    const QString odd = QStringLiteral("a \"quoted\" \\ name\n\twith\x01 control, 照片 and é");
    QJsonArray files;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    JsonWriter json(buffer);
    json.beginObject(); // keys in the order QJsonObject keeps them
    json.key("empty");
    json.beginArray();
    json.endArray();
    json.key("files");
    json.beginArray();
    for (int i = 0; i < 5000; ++i) { // several times what is held before it is written
        const QString path = QStringLiteral("folder/%1/%2").arg(i).arg(odd);
        json.beginObject();
        json.key("length");
        json.value(std::int64_t(i) * 4'000'000'000);
        json.key("path");
        json.value(path);
        json.endObject();
        files.append(
            QJsonObject{{QStringLiteral("path"), path}, {QStringLiteral("length"), qint64(i) * 4'000'000'000}});
    }
    json.endArray();
    json.key("name");
    json.value(odd);
    json.endObject();
    ASSERT_TRUE(json.finish());

    const QJsonObject expected{
        {QStringLiteral("name"), odd}, {QStringLiteral("empty"), QJsonArray()}, {QStringLiteral("files"), files}};
    QJsonParseError error;
    const QJsonDocument read = QJsonDocument::fromJson(buffer.data(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(read.object(), expected);
    EXPECT_EQ(buffer.data(), QJsonDocument(expected).toJson(QJsonDocument::Indented));

    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    JsonWriter refused(readOnly);
    refused.beginArray();
    refused.value(QStringLiteral("x"));
    refused.endArray();
    EXPECT_FALSE(refused.finish());
}
