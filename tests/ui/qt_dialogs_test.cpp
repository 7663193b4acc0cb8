// Qt's dialogs as the window uses them: the folder pickers (which delete nothing) and the alerts.

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
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>
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

struct MenuEntry {
    QString name;
    QString text;
    bool usable;
};

// The entries of the context menu a view shows at `at`, read as it opens
// (the dialog's file views pop theirs up, the sidebar runs its own).
std::vector<MenuEntry> contextMenu(QAbstractItemView* view, QPoint at)
{
    std::vector<MenuEntry> entries;
    bool waiting = true;
    const auto read = [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!waiting || !menu)
            return;
        waiting = false;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                entries.push_back({action->objectName(), QString(action->text()).remove(u'&'),
                                   action->isEnabled() && action->isVisible()});
        }
        menu->close();
    };
    // The sidebar's menu runs its own loop, where this timer reads it; a
    // local one, which cannot fire after the function has returned.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, read);
    timer.start(0);
    emit view->customContextMenuRequested(at);
    read();
    return entries;
}

// Types a name and Return where the keyboard is (a name's editor, if one opened).
void typeName(QWidget* fallback, const QString& name)
{
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fallback;
    QTest::keyClicks(target, name);
    QTest::keyClick(target, Qt::Key_Return);
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
    QStringList sidebar;
    QStringList clipped;
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
        if (auto* places = dialog->findChild<QListView*>(QStringLiteral("sidebar"))) {
            for (int row = 0; row < places->model()->rowCount(); ++row) {
                const QModelIndex place = places->model()->index(row, 0);
                sidebar << place.data().toString();
                // Drawn whole, not elided (the home's name is the longest).
                if (places->viewport()->width() < places->sizeHintForIndex(place).width())
                    clipped << place.data().toString();
            }
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
    request.places = {home / "Music", home / "Downloads"};
    request.multipleSelection = true;
    const auto chosen = dialogs.chooseFolders(request);

    ASSERT_TRUE(driven);
    // The computer, the home, then the places asked for.
    ASSERT_EQ(sidebar.size(), 4) << sidebar.join(u',').toStdString();
    EXPECT_EQ(sidebar.mid(1), (QStringList{QString::fromStdString(home.path().filename().native()),
                                           QStringLiteral("Music"), QStringLiteral("Downloads")}));
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(u',').toStdString();
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

// A copy's hidden name never breaks across lines, wherever the line ends
// (Chinese text may break between any two characters).
TEST(QtDialogs, AHiddenCopysNameStaysOnOneLine)
{
    const QString name = QStringLiteral(".debian-12.5.0-amd64-DVD-1.iso.loftwell-unchecked");
    QString shown;
    QFont font;
    QTimer::singleShot(100, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            if (auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
                shown = text->text();
                font = text->font();
            }
            box->close();
        }
    });
    QtDialogs dialogs;
    dialogs.showAlert(QStringLiteral("部分项目未完成"),
                      QStringLiteral("已复制，未核对（1 项）：副本完整地保存在驱动器上，名称仍以“") + name +
                          QStringLiteral("”结尾；原项目仍在原处。"));
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(QString(shown).remove(QChar(0x2060)).count(name), 1);
    const qsizetype start = shown.indexOf(QStringLiteral(".loftwell"));
    const qsizetype end = shown.indexOf(QStringLiteral("unchecked")) + 9;
    for (int width = 120; width <= 520; width += 3) {
        QTextLayout layout(shown, font);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            const qsizetype lineEnd = line.textStart() + line.textLength();
            EXPECT_FALSE(lineEnd > start && lineEnd < end)
                << width << ": " << shown.mid(line.textStart(), line.textLength()).toStdString();
        }
        layout.endLayout();
    }
}

// Enter takes the default: the first button, or Cancel where starting would be a mistake.
TEST(QtDialogs, EnterInAConfirmationTakesItsDefaultButton)
{
    QtDialogs dialogs;
    for (const bool cancelByDefault : {false, true}) {
        QTimer::singleShot(100, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                QTest::keyClick(box, Qt::Key_Return);
        });
        EXPECT_EQ(dialogs.confirm(QStringLiteral("Transfer 2 items?"), QString(), QStringLiteral("Start"),
                                  QStringLiteral("Cancel"), cancelByDefault),
                  !cancelByDefault);
    }
}

// Whatever the user does in either picker, nothing is deleted or renamed
// (Qt's dialog deletes a folder with its contents for good); a new folder
// can still be made, and named, in the destination picker.
TEST(QtDialogs, NeitherPickerDeletesOrRenamesAnything)
{
    for (const bool destination : {false, true}) {
        SCOPED_TRACE(destination ? "destination picker" : "source picker");
        TempDir home;
        writeFile(home / "Keep" / "inside.txt", 10);
        qputenv("HOME", QByteArray::fromStdString(home.path().native()));
        keepNoSettingsFiles();

        std::vector<MenuEntry> entries;
        bool driven = false;
        bool newFolderOffered = false;
        // Answers "yes" to anything the dialog asks (are you sure you want
        // to delete...), as a hurried user would.
        QTimer confirmer;
        QObject::connect(&confirmer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                    yes->click();
                else
                    box->reject();
            }
        });
        confirmer.start(20);
        std::function<void()> drive = [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* list = dialog ? dialog->findChild<QListView*>(QStringLiteral("listView")) : nullptr;
            if (!list || list->model()->rowCount(list->rootIndex()) < 1) {
                QTimer::singleShot(50, drive);
                return;
            }
            dialog->activateWindow();
            auto* model = qobject_cast<QFileSystemModel*>(list->model());
            const QModelIndex keep = model->index(QString::fromStdString((home / "Keep").native()));
            for (const char* name : {"listView", "treeView", "sidebar"}) {
                SCOPED_TRACE(name);
                auto* view = dialog->findChild<QAbstractItemView*>(QLatin1String(name));
                ASSERT_NE(view, nullptr);
                dialog->setViewMode(std::string_view(name) == "treeView" ? QFileDialog::Detail : QFileDialog::List);
                const bool files = std::string_view(name) != "sidebar";
                const QModelIndex at = files ? keep : view->model()->index(0, 0);
                view->setCurrentIndex(at);
                for (const MenuEntry& entry : contextMenu(view, view->visualRect(at).center()))
                    entries.push_back(entry);
                // The menu took the keyboard; the keys go to the view.
                dialog->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
                view->setFocus();
                QTest::keyClick(view, Qt::Key_Delete);
                QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);
                QTest::keyClick(view, Qt::Key_F2);
                typeName(view, QStringLiteral("Renamed"));
            }
            if (destination) {
                // Back from wherever the sidebar led.
                dialog->setDirectory(QString::fromStdString(home.path().native()));
                dialog->setViewMode(QFileDialog::List);
                QTest::qWait(100);
                auto* newFolder = dialog->findChild<QAction*>(QStringLiteral("qt_new_folder_action"));
                for (const MenuEntry& entry : contextMenu(list, QPoint(1, 1)))
                    newFolderOffered = newFolderOffered || (entry.name == newFolder->objectName() && entry.usable);
                dialog->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
                newFolder->trigger(); // made at once, its name open for editing
                typeName(list, QStringLiteral("Backups"));
            }
            driven = true;
            dialog->reject();
        };
        QTimer::singleShot(50, drive);

        FolderRequest request;
        request.message = QStringLiteral("Choose a folder.");
        request.prompt = QStringLiteral("Choose");
        request.startFolder = home.path();
        request.multipleSelection = !destination;
        request.canCreateFolders = destination;
        QtDialogs().chooseFolders(request);

        ASSERT_TRUE(driven);
        EXPECT_FALSE(entries.empty());
        for (const MenuEntry& entry : entries) {
            const bool deletes = entry.name == "qt_delete_action" || entry.text.contains(QStringLiteral("Delete"));
            const bool renames = entry.name == "qt_rename_action" || entry.text.contains(QStringLiteral("Rename"));
            EXPECT_FALSE(deletes || renames) << entry.text.toStdString();
        }
        EXPECT_EQ(readAll(home / "Keep" / "inside.txt"), std::string(10, 'x'));
        EXPECT_FALSE(fs::exists(home / "Renamed"));
        if (destination) {
            EXPECT_TRUE(newFolderOffered);
            EXPECT_TRUE(fs::is_directory(home / "Backups"));
        }
    }
}
