#include "cli/scan_report.h"

#include "cli/shown_name.h"
#include "model/byte_format.h"
#include "model/path_text.h"
#include "model/risk_level.h"
#include "scan/assess_candidate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace {

bool isUtf8(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoding happens only when the result becomes a QString.
    const QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

QString riskName(RiskLevel risk)
{
    switch (risk) {
    case RiskLevel::safe: return QStringLiteral("safe");
    case RiskLevel::caution: return QStringLiteral("caution");
    case RiskLevel::application: return QStringLiteral("application");
    }
    return {};
}

} // namespace

QByteArray candidatesAsLines(const std::vector<Candidate>& candidates, LineEnd end)
{
    QByteArray out;
    for (const Candidate& candidate : candidates) {
        const std::string& path = candidate.sourceURL().native();
        if (end == LineEnd::null)
            out.append(path.data(), qsizetype(path.size()));
        else
            out.append(escapedName(path));
        for (const QString& field : {candidate.rootName(), candidate.kind(), adviceText(candidate.risk()),
                                     QString::number(candidate.sizeBytes()), formatBytes(candidate.sizeBytes())}) {
            out.append('\t');
            out.append(escapedName(field).toUtf8());
        }
        out.append(end == LineEnd::null ? '\0' : '\n');
    }
    return out;
}

QByteArray candidatesAsJson(const std::vector<Candidate>& candidates)
{
    QJsonArray array;
    for (const Candidate& candidate : candidates) {
        QJsonObject item{
            {QStringLiteral("path"), displayText(candidate.sourceURL())},
            {QStringLiteral("location"), candidate.rootName()},
            // Names for scripts, the same in every language, beside the texts shown.
            {QStringLiteral("kind"), kindKey(candidate.kind())},
            {QStringLiteral("kindText"), candidate.kind()},
            {QStringLiteral("risk"), riskName(candidate.risk())},
            {QStringLiteral("advice"), adviceText(candidate.risk())},
            {QStringLiteral("reason"), reasonKey(candidate.reason())},
            {QStringLiteral("reasonText"), candidate.reason()},
            {QStringLiteral("sizeBytes"), qint64(candidate.sizeBytes())},
            {QStringLiteral("size"), formatBytes(candidate.sizeBytes())},
        };
        const std::string& path = candidate.sourceURL().native();
        if (!isUtf8(path)) {
            const QByteArray bytes(path.data(), qsizetype(path.size()));
            item.insert(QStringLiteral("pathBytes"), QString::fromLatin1(bytes.toPercentEncoding("/")));
        }
        array.append(item);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
