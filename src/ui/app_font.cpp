#include "ui/app_font.h"

#include "model/text_table.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

QFont::Weight qtWeight(FontWeight weight)
{
    switch (weight) {
    case FontWeight::regular: return QFont::Normal;
    case FontWeight::medium: return QFont::Medium;
    case FontWeight::semibold: return QFont::DemiBold;
    case FontWeight::bold: return QFont::Bold;
    }
    return QFont::Normal;
}

} // namespace

bool hasGeistFont()
{
    static const bool present = QFontDatabase::families().contains(QStringLiteral("Geist"));
    return present;
}

QFont appFont(int pixelSize, FontWeight weight)
{
    QFont font;
    QStringList families;
    if (hasGeistFont()) {
        families << QStringLiteral("Geist");
        font.setWeight(weight == FontWeight::semibold || weight == FontWeight::bold ? QFont::Bold : QFont::Normal);
    } else {
        font.setWeight(qtWeight(weight));
    }
    // Chinese text wants a CJK face first (its punctuation is full width).
    // Latin text takes the desktop's UI font when the desktop names one; a
    // bare X session only has the generic "Sans Serif", which may resolve to
    // the CJK face (full-width quotation marks in English) or to a face too
    // wide for the fixed button widths, so Inter stands in there.
    const QString system = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    const bool generic = system.compare(QStringLiteral("Sans Serif"), Qt::CaseInsensitive) == 0 ||
                         system.compare(QStringLiteral("sans-serif"), Qt::CaseInsensitive) == 0 ||
                         system.compare(QStringLiteral("Sans"), Qt::CaseInsensitive) == 0;
    const QStringList cjk{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
                          QStringLiteral("WenQuanYi Micro Hei")};
    if (I18n::isChinese())
        families << cjk;
    if (!generic)
        families << system;
    families << QStringLiteral("Inter") << cjk << system;
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    return font;
}
