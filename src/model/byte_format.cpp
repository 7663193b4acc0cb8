#include "model/byte_format.h"

namespace {

using u128 = unsigned __int128;

struct Unit {
    const char* name;
    std::uint64_t divisor;
    int fractionDigits;
};

Unit unitFor(u128 magnitude)
{
    // The limits are the largest values that still round below 1000 of the unit.
    if (magnitude <= 999'499)
        return {"KB", 1'000, 0};
    if (magnitude <= 999'949'999)
        return {"MB", 1'000'000, 1};
    return {"GB", 1'000'000'000, 2};
}

// magnitude / divisor scaled by 10^digits, rounded half to even, in integers.
u128 roundedScaled(u128 magnitude, std::uint64_t divisor, int digits)
{
    u128 scale = 1;
    for (int i = 0; i < digits; ++i)
        scale *= 10;
    const u128 numerator = magnitude * scale;
    u128 quotient = numerator / divisor;
    const u128 twiceRemainder = (numerator % divisor) * 2;
    if (twiceRemainder > divisor || (twiceRemainder == divisor && quotient % 2 == 1))
        ++quotient;
    return quotient;
}

// QCollator and QLocale treat C as a locale without grouping; the byte
// formatter must still group like en_US there.
QLocale effectiveLocale(const QLocale& locale)
{
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

} // namespace

QString formatBytes(std::int64_t bytes, const QLocale& requestedLocale, I18n::Language language)
{
    if (bytes == 0)
        return language == I18n::Language::chinese ? QStringLiteral("0 KB") : QStringLiteral("Zero KB");

    const QLocale locale = effectiveLocale(requestedLocale);
    const bool negative = bytes < 0;
    // Widened before negation so that the most negative value has a magnitude.
    const u128 magnitude = negative ? u128(-static_cast<__int128>(bytes)) : u128(bytes);
    const Unit unit = unitFor(magnitude);
    const u128 scaled = roundedScaled(magnitude, unit.divisor, unit.fractionDigits);

    u128 fractionScale = 1;
    for (int i = 0; i < unit.fractionDigits; ++i)
        fractionScale *= 10;
    const auto whole = static_cast<qulonglong>(scaled / fractionScale);
    auto fraction = static_cast<unsigned>(scaled % fractionScale);
    int digits = unit.fractionDigits;
    while (digits > 0 && fraction % 10 == 0) {
        fraction /= 10;
        --digits;
    }

    QString text;
    if (negative)
        text += u'-';
    text += locale.toString(whole);
    if (digits > 0) {
        text += locale.decimalPoint();
        // Through the locale so that its digits match those of the whole part.
        const QString padded = QStringLiteral("%1").arg(fraction, digits, 10, QLatin1Char('0'));
        for (QChar digit : padded)
            text += locale.toString(digit.digitValue());
    }
    text += u' ';
    text += QLatin1String(unit.name);
    return text;
}

QString formatBytes(std::int64_t bytes)
{
    return formatBytes(bytes, QLocale::system(), I18n::language());
}
