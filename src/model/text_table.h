#pragma once
// Every user-visible text, looked up by key in the language chosen once per
// process: Simplified Chinese when the user's first preferred language starts
// with "zh", English otherwise. Lookups fall back to English, then to the key.
// Thread-safe: the choice and both dictionaries are built once, on first use,
// by whichever thread asks first, and are read-only afterwards.

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <string_view>

namespace I18n {

struct TextEntry {
    const char* key;
    const char* text; // UTF-8
};

// The window's and the report's texts, the reasons a transfer step fails,
// the running job's controls, how far a transfer is, what the desktop is
// told, and what a move frees.
inline constexpr std::size_t entryCount =
    103 + 45 + 8 + 6 + 2 + 5 + 5 + 1 + 7 + 7 + 3 + 1 + 2 + 6 + 1 + 4 + 1 + 7 + 9 + 33 + 12 + 1 + 11;

enum class Language { english, chinese };

// The constant tables, in their fixed order.
const std::array<TextEntry, entryCount>& englishEntries();
const std::array<TextEntry, entryCount>& chineseEntries();

// The language rule, as a pure function of the preferred-language list.
Language languageFor(const QStringList& preferredLanguages);

// The user's preferred languages as Qt reports them (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG on Linux).
QStringList preferredLanguages();

// The process's language, chosen on first use.
Language language();
bool isChinese();

// Lookup in a given language, with the fallback chain.
QString text(std::string_view key, Language language);

// Lookup in the process's language.
QString text(std::string_view key);

} // namespace I18n
