#include "model/text_format.h"

QString formatText(const QString& format, std::initializer_list<TextArgument> arguments)
{
    QString result;
    result.reserve(format.size() + 32);
    auto next = arguments.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 == format.size()) {
            result.append(c);
            continue;
        }
        const QChar kind = format.at(i + 1);
        if (kind == u'%') {
            result.append(u'%');
            ++i;
        } else if (kind == u'@' || kind == u'd') {
            if (next != arguments.end()) {
                if (kind == u'@' && std::holds_alternative<QString>(*next))
                    result.append(std::get<QString>(*next));
                else if (kind == u'd' && std::holds_alternative<std::int64_t>(*next))
                    result.append(QString::number(std::get<std::int64_t>(*next)));
                ++next;
            }
            ++i;
        } else {
            result.append(c);
        }
    }
    return result;
}
