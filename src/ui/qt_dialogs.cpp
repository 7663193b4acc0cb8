#include "ui/qt_dialogs.h"

#include "model/path_text.h"
#include "model/text_table.h"
#include "ui/file_dialog_without_delete.h"
#include "ui/literal_text.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QTreeView>
#include <QUrl>

#include <algorithm>

std::vector<std::filesystem::path> QtDialogs::chooseFolders(const FolderRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::ReadOnly, !request.canCreateFolders);
    dialog.setFileMode(QFileDialog::Directory);
    // A start folder that is not there falls back to home, not to wherever
    // the program happened to be started.
    const QString start = displayText(request.startFolder);
    dialog.setDirectory(!start.isEmpty() && QFileInfo(start).isDir() ? start : QDir::homePath());
    QList<QUrl> sidebar{QUrl(QStringLiteral("file:")), QUrl::fromLocalFile(QDir::homePath())};
    for (const auto& place : request.places)
        sidebar << QUrl::fromLocalFile(displayText(place));
    dialog.setSidebarUrls(sidebar);
    // Qt gives the sidebar a fixed width that elides a long home name or a
    // Chinese "Computer"; it takes its widest entry, within reason.
    if (auto* places = dialog.findChild<QListView*>(QStringLiteral("sidebar"))) {
        const int widest = places->sizeHintForColumn(0) + 2 * places->frameWidth() + 2 * places->spacing() + 8;
        const int wanted = std::min(widest, maxSidebarWidth);
        // The folder list keeps its room: the dialog grows by what the sidebar gained.
        const int gained = std::max(0, wanted - places->sizeHint().width());
        places->setMinimumWidth(wanted);
        dialog.resize(dialog.sizeHint() + QSize(gained, 0));
    }
    dialog.setLabelText(QFileDialog::Accept, literalAmpersands(request.prompt));
    dialog.setLabelText(QFileDialog::Reject, literalAmpersands(I18n::text("alert.cancel")));
    dialog.setWindowTitle(I18n::text("app.title"));
    if (request.multipleSelection) {
        for (auto* view : dialog.findChildren<QAbstractItemView*>()) {
            if (qobject_cast<QListView*>(view) || qobject_cast<QTreeView*>(view))
                view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
    removeDeleteAndRename(dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* message = new QLabel(request.message, &dialog);
        message->setWordWrap(true);
        grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
    }
    // After Cancel the dialog still reports its current folder: trust exec() only.
    if (dialog.exec() != QDialog::Accepted)
        return {};
    std::vector<std::filesystem::path> folders;
    for (const QString& file : dialog.selectedFiles())
        folders.push_back(pathFromText(file));
    return folders;
}

namespace {

// Wide enough for a typical path on one line; longer ones wrap.
void holdTypicalPaths(QMessageBox& box)
{
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(QtDialogs::messageWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

// Copies' hidden names ("….loftwell-unchecked") stay on one line: a word
// joiner on each side of the hyphen keeps the line from breaking there.
QString unbrokenNames(QString text)
{
    return text.replace(QStringLiteral(".loftwell-"), QStringLiteral(".loftwell\u2060-\u2060"));
}

// The window's name as the title, the question or report as the text.
void prepare(QMessageBox& box, const QString& message)
{
    box.setWindowTitle(I18n::text("app.title"));
    box.setInformativeText(unbrokenNames(message));
    holdTypicalPaths(box);
}

} // namespace

void QtDialogs::showAlert(const QString& title, const QString& message)
{
    alertWithAction(title, message, QString());
}

bool QtDialogs::alertWithAction(const QString& title, const QString& message, const QString& action)
{
    QMessageBox box(QMessageBox::Information, title, title, QMessageBox::NoButton, parent_);
    prepare(box, message);
    QPushButton* chosen =
        action.isEmpty() ? nullptr : box.addButton(literalAmpersands(action), QMessageBox::ActionRole);
    QPushButton* ok = box.addButton(literalAmpersands(I18n::text("alert.ok")), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return chosen && box.clickedButton() == chosen;
}

Dialogs::Choice QtDialogs::choose(const QString& title, const QString& message, const QString& firstTitle,
                                  const QString& secondTitle)
{
    QMessageBox box(QMessageBox::Question, title, title, QMessageBox::NoButton, parent_);
    prepare(box, message);
    QPushButton* first = box.addButton(literalAmpersands(firstTitle), QMessageBox::AcceptRole);
    QPushButton* second = box.addButton(literalAmpersands(secondTitle), QMessageBox::ActionRole);
    QPushButton* cancel = box.addButton(literalAmpersands(I18n::text("alert.cancel")), QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == first    ? Choice::first
           : box.clickedButton() == second ? Choice::second
                                           : Choice::cancel;
}

bool QtDialogs::confirm(const QString& title, const QString& message, const QString& acceptTitle,
                        const QString& cancelTitle, bool cancelByDefault)
{
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::NoButton, parent_);
    prepare(box, message);
    QPushButton* accept = box.addButton(literalAmpersands(acceptTitle), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(literalAmpersands(cancelTitle), QMessageBox::RejectRole);
    box.setDefaultButton(cancelByDefault ? cancel : accept);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == accept;
}
