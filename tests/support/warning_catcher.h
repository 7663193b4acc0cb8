#pragma once
// Collects the Qt warnings (and worse) of one logging category while it
// lives, so a test can fail on them: QAbstractItemModelTester reports what
// it finds as warnings in "qt.modeltest". One at a time.

#include <QString>
#include <QStringList>
#include <QtGlobal>

class WarningCatcher {
public:
    explicit WarningCatcher(const char* category) : category_(QString::fromLatin1(category))
    {
        current() = this;
        previous_ = qInstallMessageHandler(&WarningCatcher::handle);
    }
    ~WarningCatcher()
    {
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    WarningCatcher(const WarningCatcher&) = delete;
    WarningCatcher& operator=(const WarningCatcher&) = delete;

    const QStringList& warnings() const { return warnings_; }

private:
    static WarningCatcher*& current()
    {
        static WarningCatcher* catcher = nullptr;
        return catcher;
    }

    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        WarningCatcher* catcher = current();
        const QString category = QString::fromUtf8(context.category ? context.category : "");
        if (catcher && type != QtDebugMsg && type != QtInfoMsg && category == catcher->category_)
            catcher->warnings_ << message;
        if (catcher && catcher->previous_)
            catcher->previous_(type, context, message);
    }

    QString category_;
    QtMessageHandler previous_ = nullptr;
    QStringList warnings_;
};
