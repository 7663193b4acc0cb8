#include "ui/candidate_table_view.h"

#include "ui/app_color.h"

#include <QHeaderView>
#include <QKeyEvent>

CandidateTableView::CandidateTableView(QWidget* parent) : QTableView(parent)
{
    // Selected rows look like any other row.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Highlight, AppColor::white);
    palette.setColor(QPalette::HighlightedText, AppColor::text);
    palette.setColor(QPalette::Base, AppColor::white);
    setPalette(palette);
}

void CandidateTableView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        const QModelIndex box = model()->index(currentIndex().row(), 0);
        const bool checked = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model()->setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return;
    }
    QTableView::keyPressEvent(event);
}

void CandidateTableView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    if (!currentIndex().isValid() && model() && model()->rowCount() > 0)
        setCurrentIndex(model()->index(0, 1));
    viewport()->update(); // the current row's mark
}

void CandidateTableView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}
