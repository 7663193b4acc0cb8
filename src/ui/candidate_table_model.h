#pragma once
// The candidate table's model over the controller's store: one row per
// candidate in list order, seven columns identified as the window's layout
// names them. Cells are painted by the table's delegate from the roles below.
// GUI thread only.

#include "model/candidate_store.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>

class CandidateTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        selectedColumn,
        nameColumn,
        kindColumn,
        riskColumn,
        locationColumn,
        sizeColumn,
        noteColumn,
        columnTotal
    };

    // The raw risk value of a row, for the badge's colours.
    static constexpr int riskRole = Qt::UserRole + 1;
    // True for a row whose original went to the Trash.
    static constexpr int movedRole = Qt::UserRole + 2;

    static constexpr std::array<const char*, columnTotal> identifiers{"selected", "name", "kind", "risk",
                                                                      "location", "size", "note"};

    explicit CandidateTableModel(const CandidateStore& store, QObject* parent = nullptr);

    // Tells the views that the whole list was replaced or rewritten.
    void reloadData();
    // Tells the views that one row's tick changed in the store.
    void rowChanged(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The identifier of a column, as the cells are chosen by it.
    static QString identifier(int column);

signals:
    // The user ticked or unticked a row (mouse or keyboard); the controller
    // decides what happens, the model does not write the store itself.
    void toggleRequested(int row, bool selected);

private:
    const CandidateStore& store_;
};
