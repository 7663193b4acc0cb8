#include "ui/qt_dialogs.h"

#include "support/temp_dir.h"
#include "ui/settings_guard.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

int filesBelow(const fs::path& folder)
{
    int count = 0;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
        count += it->is_regular_file() ? 1 : 0;
    return count;
}

} // namespace

TEST(QtDialogs, TheFolderPickerReturnsSeveralFoldersAndLeavesNoHistory)
{
    TempDir home;
    makeFolder(home / "Downloads");
    makeFolder(home / "Movies");
    makeFolder(home / "Music");
    makeFolder(home / "config");
    qputenv("HOME", QByteArray::fromStdString(home.path().native()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home / "config").native()));
    keepNoSettingsFiles();

    QString message;
    QString accept;
    bool driven = false;
    // Drives the modal dialog: wait for its folder list, pick two folders, accept.
    std::function<void()> drive = [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QListView* list = dialog ? dialog->findChild<QListView*>(QStringLiteral("listView")) : nullptr;
        if (!list || list->model()->rowCount(list->rootIndex()) < 3) {
            QTimer::singleShot(50, drive);
            return;
        }
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text().startsWith(QStringLiteral("Choose folders")))
                message = label->text();
        }
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QPushButton* ok = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
        if (!ok && buttons)
            ok = qobject_cast<QPushButton*>(buttons->buttons().value(0));
        // As assistive technology reads it (and the button draws it).
        if (QAccessibleInterface* button = ok ? QAccessible::queryAccessibleInterface(ok) : nullptr)
            accept = button->text(QAccessible::Name);
        auto* model = qobject_cast<QFileSystemModel*>(list->model());
        const QModelIndex movies = model->index(QString::fromStdString((home / "Movies").native()));
        const QModelIndex downloads = model->index(QString::fromStdString((home / "Downloads").native()));
        list->selectionModel()->select(movies, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->selectionModel()->select(downloads, QItemSelectionModel::Select | QItemSelectionModel::Rows);

        driven = true;
        if (ok)
            ok->click();
    };
    QTimer::singleShot(50, drive);

    QtDialogs dialogs;
    FolderRequest request;
    request.message = QStringLiteral("Choose folders for Smart Recommend.");
    request.prompt = QStringLiteral("Authorize & Recommend");
    request.startFolder = home.path();
    request.multipleSelection = true;
    const auto chosen = dialogs.chooseFolders(request);

    ASSERT_TRUE(driven);
    EXPECT_EQ(message, request.message);
    EXPECT_EQ(accept, request.prompt);
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0], home / "Movies");
    EXPECT_EQ(chosen[1], home / "Downloads");
    EXPECT_EQ(filesBelow(home.path()), 0); // no QtProject.conf, no history
}

TEST(QtDialogs, TheReportHoldsATypicalPathOnOneLine)
{
    const QString path = QStringLiteral("/media/sam/Backup Drive/Loftwell 2026-12-07 15.23.45");
    int boxWidth = 0;
    int textWidth = 0;
    int room = 0;
    QTimer::singleShot(100, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            boxWidth = box->width();
            if (auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
                textWidth = text->fontMetrics().horizontalAdvance(text->text());
                room = text->width();
            }
            box->close();
        }
    });
    QtDialogs dialogs;
    dialogs.showAlert(QStringLiteral("Transfer Complete"), QStringLiteral("Saved to: ") + path);
    EXPECT_GE(boxWidth, QtDialogs::messageWidth);
    ASSERT_GT(textWidth, 0);
    EXPECT_LE(textWidth, room); // one line
}
