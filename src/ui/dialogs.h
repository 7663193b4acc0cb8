#pragma once
// The questions the controller asks the user, behind an interface so that
// tests can script every answer. The window's own implementation uses Qt
// dialogs (ui/qt_dialogs.h). GUI thread only; every call is modal.

#include <QString>

#include <filesystem>
#include <vector>

struct FolderRequest {
    QString message; // shown above the folders
    QString prompt;  // the confirm button's title
    std::filesystem::path startFolder;
    // The sidebar's places after the home folder: the user's folders, or drives.
    std::vector<std::filesystem::path> places;
    bool multipleSelection = false;
    bool canCreateFolders = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The chosen folders in the order chosen; empty when cancelled.
    virtual std::vector<std::filesystem::path> chooseFolders(const FolderRequest& request) = 0;

    // An informational alert with one button ("OK").
    virtual void showAlert(const QString& title, const QString& message) = 0;
    // The same with a second button, `action`, beside OK (the default); true
    // when the action was chosen.
    virtual bool alertWithAction(const QString& title, const QString& message, const QString& action) = 0;

    // A warning with two buttons, the first the default unless
    // `cancelByDefault`; true for the first.
    virtual bool confirm(const QString& title, const QString& message, const QString& acceptTitle,
                         const QString& cancelTitle, bool cancelByDefault = false) = 0;

    // A question with two ways on and Cancel (also Escape, or closing it);
    // the first way is the default.
    enum class Choice { first, second, cancel };
    virtual Choice choose(const QString& title, const QString& message, const QString& firstTitle,
                          const QString& secondTitle) = 0;
};
