#pragma once
// The candidate table: a QTableView whose rows never show a selection and
// whose Space key ticks the current row from any column. It has a current
// row only while it has the focus (so assistive technology hears one
// focused object at a time), marks that row only when the keyboard brought
// the focus or moved it, and fits its columns to its width: the last one
// keeps its minimum and takes the rest, the name column gives way first, so
// the list never needs a sideways scroll. GUI thread.

#include <QTableView>

#include <vector>

class CandidateTableView : public QTableView {
    Q_OBJECT
public:
    explicit CandidateTableView(QWidget* parent = nullptr);

    // The widths the columns take when there is room, the minimum of every
    // column and of the last, and which column narrows first.
    void setColumnWidths(std::vector<int> widths, int minimum, int lastMinimum, int firstToNarrow);

    // Whether the current row shows its keyboard mark.
    bool showsKeyboardMark() const { return hasFocus() && keyboardFocus_; }

    void setModel(QAbstractItemModel* model) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitColumns();
    void keepACurrentRow();

    std::vector<int> wantedWidths_;
    int minimumWidth_ = 40;
    int lastMinimumWidth_ = 40;
    int firstToNarrow_ = 0;
    bool fitting_ = false;
    bool keyboardFocus_ = false;
    int rememberedRow_ = -1;
};
