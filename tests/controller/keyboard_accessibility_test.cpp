#include "ui/candidate_table_model.h"
#include "controller/main_window_controller.h"
#include "controller/window_fixture.h"

#include "model/text_table.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
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
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t MiB = 1024 * 1024;

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
    const std::vector<QWidget*> expected{ui.drivePopup(),       ui.refreshButton(),
                                         ui.scanButton(),       ui.tableView(),
                                         ui.selectSafeButton(), ui.selectNoneButton(),
                                         ui.moveToTrashCheckbox(), ui.transferButton()};
    EXPECT_EQ(visited, expected);
}

TEST_F(KeyboardTest, TheInvisiblePopUpShowsFocusOnTheSelector)
{
    ui.scanButton()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ui.driveSelector()->borderColor(), AppColor::border);
    ui.drivePopup()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ui.driveSelector()->borderColor(), AppColor::emerald);
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
}
