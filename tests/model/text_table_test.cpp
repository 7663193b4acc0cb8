// The text table in both languages: the same keys, the same placeholders, lookups and fallbacks.

#include "model/text_table.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using I18n::Language;

namespace {

// The placeholders of a text in order, e.g. "@d" for "%@ ... %d".
QString placeholders(const QString& text)
{
    QString result;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'%' && (text[i + 1] == u'@' || text[i + 1] == u'd'))
            result += text[++i];
    }
    return result;
}

} // namespace

TEST(TextTable, BothTablesHoldTheSameKeysInTheSameOrder)
{
    const auto& english = I18n::englishEntries();
    const auto& chinese = I18n::chineseEntries();
    ASSERT_EQ(english.size(), chinese.size());
    QSet<QString> seen;
    const QRegularExpression keyShape(QStringLiteral("^[a-z]+(\\.[a-z][A-Za-z]*)+$"));
    for (std::size_t i = 0; i < english.size(); ++i) {
        const QString key = QString::fromUtf8(english[i].key);
        EXPECT_EQ(key, QString::fromUtf8(chinese[i].key)) << "entry " << i + 1;
        EXPECT_TRUE(keyShape.match(key).hasMatch()) << key.toStdString();
        EXPECT_FALSE(seen.contains(key)) << "duplicate " << key.toStdString();
        seen.insert(key);
        EXPECT_FALSE(QString::fromUtf8(english[i].text).isEmpty());
        EXPECT_FALSE(QString::fromUtf8(chinese[i].text).isEmpty());
    }
    EXPECT_STREQ(english.front().key, "app.title");
    // The reasons a step fails come after the window's texts, which keep their places.
    EXPECT_STREQ(english[102].key, "failure.item");
    EXPECT_STREQ(english[103].key, "error.noSpace");
}

TEST(TextTable, TranslationsTakeTheSamePlaceholdersInTheSameOrder)
{
    const auto& english = I18n::englishEntries();
    const auto& chinese = I18n::chineseEntries();
    for (std::size_t i = 0; i < english.size(); ++i) {
        EXPECT_EQ(placeholders(QString::fromUtf8(english[i].text)), placeholders(QString::fromUtf8(chinese[i].text)))
            << english[i].key;
    }
}

TEST(TextTable, LooksUpInTheChosenLanguage)
{
    EXPECT_EQ(I18n::text("table.size", Language::english), QStringLiteral("Size"));
    EXPECT_EQ(I18n::text("table.size", Language::chinese), QStringLiteral("大小"));
    EXPECT_EQ(I18n::text("app.title", Language::english), QStringLiteral("Loftwell"));
    EXPECT_EQ(I18n::text("app.title", Language::chinese), QStringLiteral("Loftwell"));
    EXPECT_EQ(I18n::text("button.transfer", Language::english), QStringLiteral("Transfer →"));
    EXPECT_EQ(I18n::text("failure.item", Language::chinese), QStringLiteral("%@（%@，%@）：%@"));
    EXPECT_EQ(I18n::text("alert.confirm.local", Language::english).left(2), QStringLiteral("\n\n"));
    EXPECT_EQ(I18n::text("alert.notCopied", Language::chinese),
              QStringLiteral("\n\n未复制，原项目仍在原处（%d 项）：\n%@"));
}

TEST(TextTable, AnUnknownKeyComesBackAsItWasPassed)
{
    EXPECT_EQ(I18n::text("no.such.key", Language::english), QStringLiteral("no.such.key"));
    EXPECT_EQ(I18n::text("no.such.key", Language::chinese), QStringLiteral("no.such.key"));
    EXPECT_EQ(I18n::text("", Language::chinese), QString());
}

TEST(TextTable, KeysNothingLooksUpYetStayInTheTables)
{
    for (const char* key : {"empty.noDrive.title", "empty.noDrive.subtitle", "scan.recommendedRoots"}) {
        EXPECT_NE(I18n::text(key, Language::english), QString::fromUtf8(key));
        EXPECT_NE(I18n::text(key, Language::chinese), QString::fromUtf8(key));
    }
}

TEST(LanguageChoice, ChineseExactlyWhenTheFirstPreferredLanguageStartsWithZh)
{
    for (const char* tag : {"zh-Hant-TW", "zh-Hans-CN", "ZH-HANS", "zh", "zh_CN"})
        EXPECT_EQ(I18n::languageFor({QString::fromLatin1(tag)}), Language::chinese) << tag;
    EXPECT_EQ(I18n::languageFor({QStringLiteral("en-US")}), Language::english);
    EXPECT_EQ(I18n::languageFor({QStringLiteral("fr-FR"), QStringLiteral("zh-Hans")}), Language::english);
    EXPECT_EQ(I18n::languageFor({}), Language::english);
    EXPECT_EQ(I18n::languageFor({QStringLiteral("C")}), Language::english);
    EXPECT_EQ(I18n::languageFor({QStringLiteral("z")}), Language::english);
}

TEST(LanguageChoice, IsFixedForTheProcess)
{
    const Language first = I18n::language();
    EXPECT_EQ(I18n::language(), first);
    EXPECT_EQ(I18n::isChinese(), first == Language::chinese);
    EXPECT_EQ(I18n::text("table.size"), I18n::text("table.size", first));
}

TEST(TextTable, NoTextSpeaksOfAMac)
{
    for (const auto* entries : {&I18n::englishEntries(), &I18n::chineseEntries()})
        for (const I18n::TextEntry& entry : *entries)
            EXPECT_FALSE(QString::fromUtf8(entry.text).contains(QRegularExpression(QStringLiteral("\\bMac\\b"))))
                << entry.key;
    EXPECT_EQ(I18n::text("reason.archive", Language::english),
              QStringLiteral("Compressed archive; good to move off your computer"));
    EXPECT_EQ(I18n::text("reason.audio", Language::english),
              QStringLiteral("Audio or music asset; good to move off your computer"));
    EXPECT_EQ(
        I18n::text("alert.confirm.copy", Language::english),
        QStringLiteral(
            "The app will only copy items to your chosen destination and will not delete originals from your computer."));
    EXPECT_EQ(I18n::text("alert.confirm.copy", Language::chinese),
              QStringLiteral("应用只会把项目复制到您选择的目标位置，不会删除电脑里的原项目。"));
    EXPECT_EQ(
        I18n::text("alert.confirm.local", Language::english),
        QStringLiteral(
            "\n\nScanning and copying stay on this computer. The app does not upload file contents, names, or paths."));
}

// One word for each notion (src/model/text_terms_chinese.md), and Chinese
// punctuation beside Chinese characters.
TEST(TextTable, ChineseTextsKeepToOneSetOfTerms)
{
    const QStringList avoided{QStringLiteral("转移"),     QStringLiteral("传输"), QStringLiteral("搬"),
                              QStringLiteral("原文件"),   QStringLiteral("原件"), QStringLiteral("校验"),
                              QStringLiteral("验证"),     QStringLiteral("带回"), QStringLiteral("外接硬盘"),
                              QStringLiteral("保存位置"), QStringLiteral("移走"), QStringLiteral("本机")};
    const QRegularExpression halfWidthBesideHan(QStringLiteral("\\p{Han}[:;,?!()]|[:;,?!()]\\p{Han}"));
    for (const I18n::TextEntry& entry : I18n::chineseEntries()) {
        const QString text = QString::fromUtf8(entry.text);
        for (const QString& word : avoided)
            EXPECT_FALSE(text.contains(word)) << entry.key << " uses " << word.toStdString();
        EXPECT_FALSE(text.contains(halfWidthBesideHan)) << entry.key << ": " << text.toStdString();
    }
}
