#include "cli/scan_report.h"

#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/risk_level.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QByteArray candidatesAsLines(const std::vector<Candidate>& candidates)
{
    QByteArray out;
    for (const Candidate& candidate : candidates) {
        const std::string& path = candidate.sourceURL().native();
        out.append(path.data(), qsizetype(path.size()));
        for (const QString& field : {candidate.rootName(), candidate.kind(), adviceText(candidate.risk()),
                                     QString::number(candidate.sizeBytes()), formatBytes(candidate.sizeBytes())}) {
            out.append('\t');
            out.append(field.toUtf8());
        }
        out.append('\n');
    }
    return out;
}

QByteArray candidatesAsJson(const std::vector<Candidate>& candidates)
{
    QJsonArray array;
    for (const Candidate& candidate : candidates) {
        array.append(QJsonObject{
            {QStringLiteral("path"), displayText(candidate.sourceURL())},
            {QStringLiteral("location"), candidate.rootName()},
            {QStringLiteral("kind"), candidate.kind()},
            {QStringLiteral("advice"), adviceText(candidate.risk())},
            {QStringLiteral("sizeBytes"), qint64(candidate.sizeBytes())},
            {QStringLiteral("size"), formatBytes(candidate.sizeBytes())},
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
