#pragma once
// Paints every cell of the candidate table from the model's data, with no
// widget per cell (a real check box per row costs seconds at 10,000 rows),
// and turns a click on a row's check box into a tick. Rows are plain white,
// never highlighted, with a 1 px line on top. GUI thread.

#include <QStyledItemDelegate>

class CandidateItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    void paintCheckBox(QPainter* painter, const QRect& cell, bool checked, bool enabled) const;
    void paintBadge(QPainter* painter, const QRect& cell, const QModelIndex& index) const;
    void paintText(QPainter* painter, const QRect& cell, const QModelIndex& index) const;
};
