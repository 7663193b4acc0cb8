#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <utility>

namespace {

// What Qt's own Chinese leaves out: the folder dialog's Type column
// ("Folder", "File") comes from a context qtbase_zh_CN does not hold.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* disambiguation, int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const std::pair<const char*, const char*> texts[] = {{"Folder", "文件夹"},   {"File", "文件"},
                                                                    {"%1 File", "%1 文件"}, {"Drive", "驱动器"},
                                                                    {"Alias", "替身"},      {"Shortcut", "快捷方式"}};
        for (const auto& [english, chinese] : texts) {
            if (qstrcmp(sourceText, english) == 0)
                return QString::fromUtf8(chinese);
        }
        return {};
    }
};

} // namespace

bool installQtTranslations(I18n::Language language)
{
    if (language != I18n::Language::chinese)
        return false; // Qt's own texts are English already
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // Simplified Chinese whatever the Chinese variant the user prefers: the
    // window speaks Simplified Chinese.
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China),
                          QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    QCoreApplication::installTranslator(new MissingQtTexts(QCoreApplication::instance()));
    return true;
}
