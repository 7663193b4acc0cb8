// The window from the keyboard and as assistive technology reads it: focus order, keys, names and ticks.

#include "controller/main_window_controller.h"
#include "controller/window_fixture.h"
#include "ui/candidate_table_model.h"

#include "model/text_table.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/test_values.h"
#include "ui/app_color.h"
#include "ui/qt_translations.h"
#include "ui/rounded_view.h"
#include "ui/styled_button.h"
#include "ui/window_layout.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class KeyboardTest : public WindowFixture {
protected:
    KeyboardTest()
    {
        writeFile(dir / "Downloads" / "Installer.dmg", 21 * MiB);
        writeFile(dir / "Downloads" / "Editor.app" / "bin", 22 * MiB);
        makeFolder(dir / "drive");
        QApplication::setActiveWindow(view);
        dialogs.folderAnswers.push_back({dir / "drive"});
        controller.refreshVolumesAction();
        dialogs.folderAnswers.push_back({dir / "Downloads"});
        controller.scanAction();
        EXPECT_TRUE(waitUntilIdle());
    }
};

} // namespace

TEST_F(KeyboardTest, TabVisitsEveryControlInReadingOrder)
{
    ui.drivePopup()->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    const std::vector<QWidget*> expected{ui.drivePopup(),          ui.refreshButton(),    ui.scanButton(),
                                         ui.tableView(),           ui.selectSafeButton(), ui.selectNoneButton(),
                                         ui.moveToTrashCheckbox(), ui.transferButton()};
    EXPECT_EQ(visited, expected);
}

// Before any destination, the selector itself is in the Tab order, shows
// its focus and asks for a destination on Space, as a click does.
class NoDestinationTest : public WindowFixture {};

TEST_F(NoDestinationTest, TabReachesTheSelectorAndSpaceAsksForADestination)
{
    QApplication::setActiveWindow(view);
    ui.refreshButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui.refreshButton(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), ui.driveSelector());
    EXPECT_EQ(ui.driveSelector()->borderColor(), AppColor::focusRing);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(ui.driveSelector())->text(QAccessible::Name),
              I18n::text("button.chooseDestination"));
    makeFolder(dir / "drive");
    dialogs.folderAnswers.push_back({dir / "drive"});
    QTest::keyClick(ui.driveSelector(), Qt::Key_Space);
    EXPECT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_TRUE(ui.drivePopup()->isEnabled());
    EXPECT_NE(QApplication::focusWidget(), ui.driveSelector());
}

TEST_F(KeyboardTest, TheInvisiblePopUpShowsFocusOnTheSelector)
{
    ui.scanButton()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ui.driveSelector()->borderColor(), AppColor::border);
    ui.drivePopup()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ui.driveSelector()->borderColor(), AppColor::focusRing);
    ui.scanButton()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ui.driveSelector()->borderColor(), AppColor::border);
}

TEST_F(KeyboardTest, ButtonsWorkFromTheKeyboard)
{
    // Select None by Space, then Select Recommended by Space: only the safe item again.
    ui.selectNoneButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui.selectNoneButton(), Qt::Key_Space);
    EXPECT_FALSE(ui.ticked(0));
    ui.selectSafeButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui.selectSafeButton(), Qt::Key_Space);
    EXPECT_TRUE(ui.ticked(0));
    // The trash choice by Space.
    ui.moveToTrashCheckbox()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui.moveToTrashCheckbox(), Qt::Key_Space);
    EXPECT_TRUE(ui.moveToTrashCheckbox()->isChecked());
}

TEST_F(KeyboardTest, TableCellsTellAssistiveTechnologyTheirNameAndTick)
{
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(ui.tableView());
    ASSERT_NE(table, nullptr);
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_NE(cells, nullptr);
    EXPECT_EQ(cells->rowCount(), 2);
    QAccessibleInterface* tick = cells->cellAt(0, CandidateTableModel::selectedColumn);
    ASSERT_NE(tick, nullptr);
    EXPECT_TRUE(tick->state().checkable);
    EXPECT_TRUE(tick->state().checked);
    EXPECT_EQ(tick->text(QAccessible::Name), QStringLiteral("Installer.dmg"));
    QAccessibleInterface* appTick = cells->cellAt(1, CandidateTableModel::selectedColumn);
    EXPECT_FALSE(appTick->state().checked);
    EXPECT_EQ(cells->cellAt(0, CandidateTableModel::riskColumn)->text(QAccessible::Name), I18n::text("risk.safe"));

    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(ui.moveToTrashCheckbox());
    EXPECT_EQ(box->role(), QAccessible::CheckBox);
    EXPECT_EQ(box->text(QAccessible::Name), I18n::text("checkbox.trash"));
    QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(ui.drivePopup());
    EXPECT_FALSE(popup->text(QAccessible::Name).isEmpty());
    QAccessibleInterface* scan = QAccessible::queryAccessibleInterface(ui.scanButton());
    EXPECT_EQ(scan->text(QAccessible::Name), I18n::text("button.scanAgain"));
}

TEST(QtTranslations, ChineseQtTextsLoadOnlyForTheChineseInterface)
{
    EXPECT_FALSE(installQtTranslations(I18n::Language::english));
    const bool loaded = installQtTranslations(I18n::Language::chinese);
    if (!loaded)
        GTEST_SKIP() << "qt6-translations-l10n is not installed";
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    // The folder dialog's Type column, which Qt's own Chinese leaves out.
    TempDir dir;
    EXPECT_EQ(QFileIconProvider().type(QFileInfo(QString::fromStdString(dir.path().native()))),
              QStringLiteral("文件夹"));
}

TEST_F(KeyboardTest, FocusMarksShowOnlyForTheKeyboard)
{
    // The pop-up clicked: no green border; reached by Tab: green.
    QTest::mouseClick(ui.drivePopup(), Qt::LeftButton);
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    ui.drivePopup()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(ui.driveSelector()->borderColor(), AppColor::border);
    ui.scanButton()->setFocus(Qt::TabFocusReason);
    ui.drivePopup()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ui.driveSelector()->borderColor(), AppColor::focusRing);

    // A row clicked: no bar; the list reached by Tab: the bar on its row.
    QTableView* table = ui.tableView();
    const QRect nameCell = table->visualRect(table->model()->index(0, CandidateTableModel::nameColumn));
    const QPoint bar(1, nameCell.center().y());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, nameCell.center());
    ASSERT_TRUE(table->hasFocus());
    EXPECT_EQ(table->viewport()->grab().toImage().pixelColor(bar), AppColor::white);
    ui.refreshButton()->setFocus(Qt::TabFocusReason);
    table->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(table->viewport()->grab().toImage().pixelColor(bar), AppColor::emerald);
    // Arrows bring it back after a click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, nameCell.center());
    EXPECT_EQ(table->viewport()->grab().toImage().pixelColor(bar), AppColor::white);
    QTest::keyClick(table, Qt::Key_Down);
    const QRect second = table->visualRect(table->model()->index(1, CandidateTableModel::nameColumn));
    EXPECT_EQ(table->viewport()->grab().toImage().pixelColor(1, second.center().y()), AppColor::emerald);
}

// Red, green and blue apart: how far two colours look apart, roughly.
static int colourDistance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

TEST_F(KeyboardTest, TheFocusRingShowsOnTheGreenButtonsAndADisabledButtonLooksDisabled)
{
    for (StyledButton* button : {ui.scanButton(), ui.selectSafeButton(), ui.transferButton()}) {
        ASSERT_TRUE(button->isEnabled());
        const QPoint edge(2, button->height() / 2);
        button->setFocus(Qt::MouseFocusReason);
        const QColor plain = button->grab().toImage().pixelColor(edge);
        ui.refreshButton()->setFocus(Qt::TabFocusReason);
        button->setFocus(Qt::TabFocusReason);
        const QColor focused = button->grab().toImage().pixelColor(edge);
        EXPECT_GT(colourDistance(plain, focused), 150)
            << button->title().toStdString() << " " << plain.name().toStdString() << " "
            << focused.name().toStdString();
    }
    // Disabled (as during a transfer), the green button turns grey.
    const QPoint inside(ui.transferButton()->width() / 2, 5);
    const QColor enabledFill = ui.transferButton()->grab().toImage().pixelColor(inside);
    ui.transferButton()->setEnabled(false);
    const QColor disabledFill = ui.transferButton()->grab().toImage().pixelColor(inside);
    EXPECT_GT(colourDistance(enabledFill, disabledFill), 150);
    EXPECT_LT(colourDistance(disabledFill, AppColor::border), 30);
}

TEST_F(KeyboardTest, OnlyTheFocusedControlReportsFocus)
{
    QAccessibleTableInterface* cells = QAccessible::queryAccessibleInterface(ui.tableView())->tableInterface();
    ASSERT_NE(cells, nullptr);
    const auto focusedCells = [&] {
        int focused = 0;
        for (int row = 0; row < cells->rowCount(); ++row)
            for (int column = 0; column < cells->columnCount(); ++column)
                focused += cells->cellAt(row, column)->state().focused ? 1 : 0;
        return focused;
    };
    ui.tableView()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui.tableView(), Qt::Key_Down);
    EXPECT_EQ(focusedCells(), 1);
    EXPECT_EQ(ui.tableView()->currentIndex().row(), 1);
    QTest::keyClick(ui.tableView(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), ui.selectSafeButton());
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(ui.selectSafeButton())->state().focused);
    EXPECT_EQ(focusedCells(), 0);
    // Back in the list, on the row it was on.
    QTest::keyClick(ui.selectSafeButton(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), ui.tableView());
    EXPECT_EQ(ui.tableView()->currentIndex().row(), 1);
    EXPECT_EQ(focusedCells(), 1);
}

TEST_F(KeyboardTest, AfterAKeyboardScanTheFocusIsOnTheListOrBackOnTheButton)
{
    ui.scanButton()->setFocus(Qt::TabFocusReason);
    dialogs.folderAnswers.push_back({dir / "Downloads"});
    QTest::keyClick(ui.scanButton(), Qt::Key_Return);
    ASSERT_TRUE(ui.busy());
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(QApplication::focusWidget(), ui.tableView());
    EXPECT_TRUE(ui.tableView()->currentIndex().isValid());

    // Nothing found: back on the scan button, with its ring.
    makeFolder(dir / "Nothing");
    ui.scanButton()->setFocus(Qt::TabFocusReason);
    dialogs.folderAnswers.push_back({dir / "Nothing"});
    QTest::keyClick(ui.scanButton(), Qt::Key_Space);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(QApplication::focusWidget(), ui.scanButton());
    EXPECT_TRUE(ui.scanButton()->hasKeyboardFocus());
}
