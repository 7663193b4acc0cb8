#include "model/text_table.h"

#include <QLocale>

#include <unordered_map>

namespace I18n {
namespace {

using Dictionary = std::unordered_map<std::string_view, QString>;

Dictionary makeDictionary(const std::array<TextEntry, entryCount>& entries)
{
    Dictionary dictionary;
    dictionary.reserve(entries.size());
    for (const TextEntry& entry : entries)
        dictionary.emplace(entry.key, QString::fromUtf8(entry.text));
    return dictionary;
}

// Each dictionary is built on its own first use; function-local statics make
// that once-only and race-free.
const Dictionary& englishDictionary()
{
    static const Dictionary dictionary = makeDictionary(englishEntries());
    return dictionary;
}

const Dictionary& chineseDictionary()
{
    static const Dictionary dictionary = makeDictionary(chineseEntries());
    return dictionary;
}

} // namespace

Language languageFor(const QStringList& preferredLanguages)
{
    if (preferredLanguages.isEmpty())
        return Language::english;
    return preferredLanguages.first().toLower().startsWith(QLatin1String("zh")) ? Language::chinese : Language::english;
}

QStringList preferredLanguages()
{
    return QLocale::system().uiLanguages();
}

Language language()
{
    static const Language chosen = languageFor(preferredLanguages());
    return chosen;
}

bool isChinese()
{
    return language() == Language::chinese;
}

QString text(std::string_view key, Language language)
{
    const Dictionary& chosen = language == Language::chinese ? chineseDictionary() : englishDictionary();
    if (auto found = chosen.find(key); found != chosen.end())
        return found->second;
    const Dictionary& english = englishDictionary();
    if (auto found = english.find(key); found != english.end())
        return found->second;
    return QString::fromUtf8(key.data(), qsizetype(key.size()));
}

QString text(std::string_view key)
{
    return text(key, language());
}

} // namespace I18n
