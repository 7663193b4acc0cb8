#include "ui/candidate_table_view.h"

#include "ui/app_color.h"
#include "ui/app_font.h"
#include "ui/window_layout.h"

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
    setMouseTracking(false);
    setFocusPolicy(Qt::StrongFocus);
    setTabKeyNavigation(false); // Tab leaves the list; arrows move within it
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setShowGrid(false);
    setAlternatingRowColors(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(WindowMetrics::rowHeight);
    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(40);
    header->setStretchLastSection(true);
    header->setFont(appFont(12, FontWeight::medium));
    // Headers line up with the cells' 8 px text inset, flat on white.
    header->setStyleSheet(
        QStringLiteral("QHeaderView::section { background: %1; color: %2; padding-left: 8px; padding-right: 8px; "
                       "border: none; border-bottom: 1px solid %3; height: 28px; }")
            .arg(AppColor::white.name(), AppColor::secondaryText.name(), AppColor::border.name()));
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
