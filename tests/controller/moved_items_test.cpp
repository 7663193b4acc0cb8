// The Moved Items window through the controller, on real folders with
// scripted dialogs: a move with the Trash is listed with its items, their
// places and states; a selected item comes back from the Trash with a report
// and is marked; once the Trash is emptied and the drive gone, the window
// says which drive to plug in and nothing comes back.

#include "controller/window_fixture.h"

#include "model/path_text.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "support/test_values.h"
#include "ui/moved_items_view.h"
#include "ui/styled_button.h"

#include <QCheckBox>
#include <QTreeWidget>

namespace fs = std::filesystem;

namespace {

class MovedItemsTest : public WindowFixture {
protected:
    MovedItemsTest() : WindowFixture("home")
    {
        writeFile(dir / "home" / "Downloads" / "Movie.mkv", 21 * MiB, 'm');
        writeFile(dir / "home" / "Downloads" / "Album" / "song.flac", 22 * MiB, 'a');
        makeFolder(dir / "drive");
    }

    void moveEverything()
    {
        dialogs.folderAnswers.push_back({dir / "home" / "Downloads"});
        controller.scanAction();
        ASSERT_TRUE(waitUntilIdle());
        ASSERT_TRUE(moveTickedTo(dir / "drive"));
        ASSERT_FALSE(fs::exists(dir / "home" / "Downloads" / "Movie.mkv"));
    }

    // The window opened, with Ctrl+H or the header's button, and its list read.
    QTreeWidget* openMovedItems(bool byKeyboard)
    {
        if (byKeyboard)
            QTest::keyClick(view, Qt::Key_H, Qt::ControlModifier);
        else
            QTest::mouseClick(ui.find<StyledButton>("movedItemsButton"), Qt::LeftButton);
        auto* window = view->findChild<MovedItemsView*>(QStringLiteral("movedItemsWindow"));
        EXPECT_TRUE(window && window->isVisible());
        auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("movedItemsTree"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return tree->topLevelItemCount() > 0; }, 10'000));
        return tree;
    }

    StyledButton* windowButton(const QString& title)
    {
        for (auto* button : view->findChild<MovedItemsView*>()->findChildren<StyledButton*>()) {
            if (button->title() == title)
                return button;
        }
        return nullptr;
    }
};

} // namespace

TEST_F(MovedItemsTest, ListsTheRunBringsBackWhatIsTickedAndNamesTheDriveToPlugIn)
{
    moveEverything();
    QTreeWidget* tree = openMovedItems(true);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    const QTreeWidgetItem* run = tree->topLevelItem(0);
    EXPECT_TRUE(run->text(0).contains(QStringLiteral("2 item(s)"))) << run->text(0).toStdString();
    ASSERT_EQ(run->childCount(), 2);
    QStringList places;
    for (int i = 0; i < 2; ++i) {
        places.append(run->child(i)->text(0));
        EXPECT_EQ(run->child(i)->text(1), I18n::text("history.state.moved"));
        EXPECT_EQ(run->child(i)->text(2), I18n::text("history.way.trash"));
    }
    const int movie = places.indexOf(displayText(dir / "home" / "Downloads" / "Movie.mkv"));
    ASSERT_GE(movie, 0) << places.join(u' ').toStdString();

    // Nothing chosen: said, nothing done. Then the movie, clicked.
    StyledButton* bringBack = windowButton(I18n::text("moved.bringBack"));
    ASSERT_TRUE(bringBack && bringBack->isEnabled());
    QTest::mouseClick(bringBack, Qt::LeftButton);
    ASSERT_FALSE(dialogs.alerts.empty());
    EXPECT_EQ(dialogs.alerts.back().message, I18n::text("moved.noneChosen"));
    const QRect movieRow = tree->visualItemRect(tree->topLevelItem(0)->child(movie));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, movieRow.center());
    const std::size_t alertsBefore = dialogs.alerts.size();
    QTest::mouseClick(bringBack, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.alerts.size() > alertsBefore; }, 20'000));
    EXPECT_EQ(dialogs.alerts.back().title, formatText(I18n::text("restore.title.all"), {std::int64_t{1}}));
    EXPECT_TRUE(dialogs.alerts.back().message.contains(I18n::text("restore.fromTrash").section(u':', 1).trimmed()))
        << dialogs.alerts.back().message.toStdString();
    EXPECT_EQ(readAll(dir / "home" / "Downloads" / "Movie.mkv"), std::string(21 * MiB, 'm'));
    // Listed again: marked, no longer to choose.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return tree->topLevelItemCount() == 1 &&
                   tree->topLevelItem(0)->child(movie)->text(2) != I18n::text("history.way.trash");
        },
        10'000));
    const QTreeWidgetItem* back = tree->topLevelItem(0)->child(movie);
    EXPECT_TRUE(back->text(2).startsWith(formatText(I18n::text("history.way.broughtBack"), {QString()})));
    EXPECT_FALSE(back->flags() & Qt::ItemIsSelectable);
    EXPECT_TRUE(ui.scanButton()->isEnabled()); // the main window is free again

    // The Trash emptied and the drive away: the run says which drive to plug in.
    fs::remove_all(dir / "home" / ".local" / "share" / "Trash");
    fs::rename(dir / "drive", dir / "away");
    view->findChild<MovedItemsView*>()->close();
    tree = openMovedItems(false);
    const QTreeWidgetItem* album = tree->topLevelItem(0)->child(1 - movie);
    EXPECT_TRUE(album->text(2).startsWith(formatText(I18n::text("history.way.plugIn"), {QString()})))
        << album->text(2).toStdString();
    EXPECT_TRUE(tree->topLevelItem(0)->text(2).contains(QStringLiteral("to bring these back")));
    EXPECT_FALSE(album->flags() & Qt::ItemIsSelectable);
    EXPECT_FALSE(bringBack->isEnabled());
}
