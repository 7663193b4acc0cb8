#pragma once
// The candidate table: a QTableView whose rows never show a selection and
// whose Space key ticks the current row from any column. GUI thread.

#include <QTableView>

class CandidateTableView : public QTableView {
    Q_OBJECT
public:
    explicit CandidateTableView(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
