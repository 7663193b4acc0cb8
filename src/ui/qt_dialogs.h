#pragma once
// The window's dialogs: Qt's own folder dialog (several folders at once when
// asked, a message line, a titled confirm button) and message boxes whose
// buttons speak the table's language. GUI thread.

#include "ui/dialogs.h"

class QWidget;

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    // The width of alerts and confirmations.
    static constexpr int messageWidth = 520;
    // The folder dialog's sidebar grows to its widest entry up to this.
    static constexpr int maxSidebarWidth = 240;
    void setParent(QWidget* parent) { parent_ = parent; }

    std::vector<std::filesystem::path> chooseFolders(const FolderRequest& request) override;
    void showAlert(const QString& title, const QString& message) override;
    bool alertWithAction(const QString& title, const QString& message, const QString& action) override;
    Choice choose(const QString& title, const QString& message, const QString& firstTitle,
                  const QString& secondTitle) override;
    bool confirm(const QString& title, const QString& message, const QString& acceptTitle, const QString& cancelTitle,
                 bool cancelByDefault = false) override;

private:
    QWidget* parent_;
};
