#include "ui/candidate_table_view.h"

#include "ui/app_color.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <numeric>

CandidateTableView::CandidateTableView(QWidget* parent) : QTableView(parent)
{
    // Selected rows look like any other row.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Highlight, AppColor::white);
    palette.setColor(QPalette::HighlightedText, AppColor::text);
    palette.setColor(QPalette::Base, AppColor::white);
    setPalette(palette);
    // A width the user drags becomes the width wanted for that column.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (fitting_ || section < 0 || std::size_t(section) + 1 >= wantedWidths_.size())
            return;
        wantedWidths_[std::size_t(section)] = size;
        fitColumns();
    });
}

void CandidateTableView::setColumnWidths(std::vector<int> widths, int minimum, int lastMinimum, int firstToNarrow)
{
    wantedWidths_ = std::move(widths);
    minimumWidth_ = minimum;
    lastMinimumWidth_ = lastMinimum;
    firstToNarrow_ = firstToNarrow;
    fitColumns();
}

void CandidateTableView::fitColumns()
{
    if (wantedWidths_.empty() || fitting_)
        return;
    fitting_ = true;
    std::vector<int> widths = wantedWidths_;
    const int last = int(widths.size()) - 1;
    const int room = viewport()->width();
    int overflow = std::accumulate(widths.begin(), widths.end() - 1, 0) + lastMinimumWidth_ - room;
    // The chosen column gives way first, then the others from the right.
    std::vector<int> order{firstToNarrow_};
    for (int column = last - 1; column >= 0; --column)
        if (column != firstToNarrow_)
            order.push_back(column);
    for (const int column : order) {
        if (overflow <= 0)
            break;
        const int take = std::min(overflow, std::max(0, widths[std::size_t(column)] - minimumWidth_));
        widths[std::size_t(column)] -= take;
        overflow -= take;
    }
    const int used = std::accumulate(widths.begin(), widths.end() - 1, 0);
    widths[std::size_t(last)] = std::max(lastMinimumWidth_, room - used);
    for (int column = 0; column <= last; ++column)
        horizontalHeader()->resizeSection(column, widths[std::size_t(column)]);
    fitting_ = false;
}

void CandidateTableView::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    // Connected after the view's and the selection model's own handlers,
    // which clear the current index on a reset.
    if (model)
        connect(model, &QAbstractItemModel::modelReset, this, &CandidateTableView::keepACurrentRow);
}

void CandidateTableView::keepACurrentRow()
{
    // A new list while the focus is here: on its first row.
    rememberedRow_ = -1;
    if (hasFocus() && model() && model()->rowCount() > 0)
        selectionModel()->setCurrentIndex(model()->index(0, 1), QItemSelectionModel::NoUpdate);
}

void CandidateTableView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    fitColumns();
}

void CandidateTableView::keyPressEvent(QKeyEvent* event)
{
    keyboardFocus_ = true; // arrows and Space: the keyboard is in use here
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        const QModelIndex box = model()->index(currentIndex().row(), 0);
        const bool checked = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model()->setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        viewport()->update();
        return;
    }
    QTableView::keyPressEvent(event);
    viewport()->update();
}

void CandidateTableView::mousePressEvent(QMouseEvent* event)
{
    keyboardFocus_ = false;
    QTableView::mousePressEvent(event);
    viewport()->update();
}

void CandidateTableView::focusInEvent(QFocusEvent* event)
{
    keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                     event->reason() == Qt::ShortcutFocusReason;
    // Back on the row it was on, or on the first.
    if (!currentIndex().isValid() && model() && model()->rowCount() > 0) {
        const int row = rememberedRow_ >= 0 && rememberedRow_ < model()->rowCount() ? rememberedRow_ : 0;
        selectionModel()->setCurrentIndex(model()->index(row, 1), QItemSelectionModel::NoUpdate);
    }
    QTableView::focusInEvent(event);
    viewport()->update(); // the current row's mark
}

void CandidateTableView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    // Without the focus there is no current cell, so no cell reports focus.
    if (currentIndex().isValid() && event->reason() != Qt::PopupFocusReason) {
        rememberedRow_ = currentIndex().row();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    viewport()->update();
}
