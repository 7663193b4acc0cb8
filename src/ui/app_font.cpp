#include "ui/app_font.h"

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
        families << QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        font.setWeight(qtWeight(weight));
    }
    families << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Noto Sans SC") << QStringLiteral("WenQuanYi Micro Hei");
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    return font;
}
