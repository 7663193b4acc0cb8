#include "controller/candidate_table_model.h"
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
    controller.drivePopup()->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    const std::vector<QWidget*> expected{controller.drivePopup(),       controller.refreshButton(),
                                         controller.scanButton(),       controller.tableView(),
                                         controller.selectSafeButton(), controller.selectNoneButton(),
                                         controller.moveToTrashCheckbox(), controller.transferButton()};
    EXPECT_EQ(visited, expected);
}

TEST_F(KeyboardTest, TheInvisiblePopUpShowsFocusOnTheSelector)
{
    controller.scanButton()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(controller.driveSelector()->borderColor(), AppColor::border);
    controller.drivePopup()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(controller.driveSelector()->borderColor(), AppColor::emerald);
    controller.scanButton()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(controller.driveSelector()->borderColor(), AppColor::border);
}

TEST_F(KeyboardTest, ButtonsWorkFromTheKeyboard)
{
    // Select None by Space, then Select Recommended by Space: only the safe item again.
    controller.selectNoneButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(controller.selectNoneButton(), Qt::Key_Space);
    EXPECT_FALSE(controller.store().items()[0].selected());
    controller.selectSafeButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(controller.selectSafeButton(), Qt::Key_Space);
    EXPECT_TRUE(controller.store().items()[0].selected());
    // The trash choice by Space.
    controller.moveToTrashCheckbox()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(controller.moveToTrashCheckbox(), Qt::Key_Space);
    EXPECT_TRUE(controller.moveToTrashCheckbox()->isChecked());
}

TEST_F(KeyboardTest, TableCellsTellAssistiveTechnologyTheirNameAndTick)
{
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(controller.tableView());
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

    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(controller.moveToTrashCheckbox());
    EXPECT_EQ(box->role(), QAccessible::CheckBox);
    EXPECT_EQ(box->text(QAccessible::Name), I18n::text("checkbox.trash"));
    QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(controller.drivePopup());
    EXPECT_FALSE(popup->text(QAccessible::Name).isEmpty());
    QAccessibleInterface* scan = QAccessible::queryAccessibleInterface(controller.scanButton());
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
