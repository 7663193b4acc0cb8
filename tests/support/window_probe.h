#pragma once
// Finds the main window's controls by their object names, as a test (or an
// assistive technology tool) sees them, and answers what a person sees:
// whether work is running, what a row of the list says and whether it is
// ticked. Fails the test when a control is missing.

#include "ui/candidate_table_model.h"
#include "ui/empty_state_view.h"
#include "ui/label.h"
#include "ui/risk_badge_view.h"
#include "ui/rounded_view.h"
#include "ui/styled_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QTableView>

#include <gtest/gtest.h>

struct WindowProbe {
    QWidget* root = nullptr;

    template <class Widget>
    Widget* find(const char* name) const
    {
        auto* widget = root->findChild<Widget*>(QLatin1String(name));
        if (!widget)
            ADD_FAILURE() << "no control named " << name;
        return widget;
    }

    RoundedView* toolbar() const { return find<RoundedView>("toolbar"); }
    RoundedView* driveSelector() const { return find<RoundedView>("driveSelector"); }
    RoundedView* driveStatusDot() const { return find<RoundedView>("driveStatusDot"); }
    QComboBox* drivePopup() const { return find<QComboBox>("drivePopup"); }
    Label* driveNameLabel() const { return find<Label>("driveNameLabel"); }
    StyledButton* refreshButton() const { return find<StyledButton>("refreshButton"); }
    StyledButton* scanButton() const { return find<StyledButton>("scanButton"); }
    RoundedView* progressStrip() const { return find<RoundedView>("progressStrip"); }
    Label* progressPathLabel() const { return find<Label>("progressPathLabel"); }
    Label* progressStatusLabel() const { return find<Label>("progressStatusLabel"); }
    QProgressBar* progressIndicator() const { return find<QProgressBar>("progressIndicator"); }
    StyledButton* pauseButton() const { return find<StyledButton>("pauseButton"); }
    StyledButton* stopButton() const { return find<StyledButton>("stopButton"); }
    RoundedView* summaryStrip() const { return find<RoundedView>("summaryStrip"); }
    Label* selectedCountLabel() const { return find<Label>("selectedCountLabel"); }
    Label* selectedSizeLabel() const { return find<Label>("selectedSizeLabel"); }
    RiskBadgeView* selectedCautionBadge() const { return find<RiskBadgeView>("selectedCautionBadge"); }
    RiskBadgeView* selectedAppBadge() const { return find<RiskBadgeView>("selectedAppBadge"); }
    Label* tabAllLabel() const { return find<Label>("tabAllLabel"); }
    Label* tabSafeLabel() const { return find<Label>("tabSafeLabel"); }
    Label* tabCautionLabel() const { return find<Label>("tabCautionLabel"); }
    Label* tabAppLabel() const { return find<Label>("tabAppLabel"); }
    RoundedView* mainContent() const { return find<RoundedView>("mainContent"); }
    EmptyStateView* emptyState() const { return find<EmptyStateView>("emptyState"); }
    QTableView* tableView() const { return find<QTableView>("tableView"); }
    RoundedView* bottomBar() const { return find<RoundedView>("bottomBar"); }
    StyledButton* selectSafeButton() const { return find<StyledButton>("selectSafeButton"); }
    StyledButton* selectNoneButton() const { return find<StyledButton>("selectNoneButton"); }
    QCheckBox* moveToTrashCheckbox() const { return find<QCheckBox>("moveToTrashCheckbox"); }
    StyledButton* transferButton() const { return find<StyledButton>("transferButton"); }

    QAbstractItemModel* tableModel() const { return tableView()->model(); }

    // Work runs exactly while the progress strip shows.
    bool busy() const { return !progressStrip()->isHidden(); }
    int rowCount() const { return tableModel()->rowCount(); }
    QString cell(int row, int column) const { return tableModel()->index(row, column).data().toString(); }
    bool ticked(int row) const
    {
        return tableModel()->index(row, CandidateTableModel::selectedColumn).data(Qt::CheckStateRole).toInt() ==
               Qt::Checked;
    }
    // Ticks or unticks a row as a click on its box does.
    void setTicked(int row, bool ticked) const
    {
        tableModel()->setData(tableModel()->index(row, CandidateTableModel::selectedColumn),
                              ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    }
    int rowNamed(const QString& name) const
    {
        for (int row = 0; row < rowCount(); ++row)
            if (cell(row, CandidateTableModel::nameColumn) == name)
                return row;
        ADD_FAILURE() << "no row named " << name.toStdString();
        return -1;
    }
};
