#pragma once
// Qt reads "&" in the text of a button, a check box or a label with a buddy
// as the mark of a keyboard shortcut: "Authorize & Recommend" would show as
// "Authorize  Recommend" with the R underlined. The product's texts mean
// every "&" literally, so they reach such widgets doubled.

#include <QString>

inline QString literalAmpersands(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
