#include "ui/candidate_table_model.h"

#include "model/byte_format.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/risk_level.h"
#include "model/text_table.h"

CandidateTableModel::CandidateTableModel(const CandidateStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store)
{
}

void CandidateTableModel::reloadData()
{
    beginResetModel();
    endResetModel();
}

void CandidateTableModel::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int CandidateTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(store_.items().size());
}

int CandidateTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(identifiers.size());
}

QString CandidateTableModel::identifier(int column)
{
    if (column < 0 || column >= int(identifiers.size()))
        return {};
    return QString::fromLatin1(identifiers[std::size_t(column)]);
}

QVariant CandidateTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const Candidate& item = store_.items()[std::size_t(index.row())];
    if (role == Qt::ToolTipRole) {
        if (index.column() == selectedColumn || index.column() == riskColumn)
            return {};
        return index.column() == nameColumn ? displayText(item.sourceURL()) : item.reason();
    }
    if (role == riskRole)
        return rawValue(item.risk());
    if (role == movedRole)
        return item.moved();
    // A moved row has nothing to tick.
    if (role == Qt::CheckStateRole && index.column() == selectedColumn && !item.moved())
        return item.selected() ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    switch (index.column()) {
    case selectedColumn:
        return role == Qt::AccessibleTextRole
                   ? QVariant(displayText(std::string_view(lastPathComponent(item.sourceURL()))))
                   : QVariant();
    case nameColumn: return displayText(std::string_view(lastPathComponent(item.sourceURL())));
    case kindColumn: return item.kind();
    case riskColumn: return item.moved() ? I18n::text("risk.moved") : adviceText(item.risk());
    case locationColumn: return item.rootName();
    case sizeColumn: return formatBytes(item.sizeBytes());
    case noteColumn: return item.reason();
    default: return QString();
    }
}

QVariant CandidateTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue((section == sizeColumn ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case nameColumn: return I18n::text("table.name");
    case kindColumn: return I18n::text("table.kind");
    case riskColumn: return I18n::text("table.risk");
    case locationColumn: return I18n::text("table.location");
    case sizeColumn: return I18n::text("table.size");
    case noteColumn: return I18n::text("table.reason");
    default: return QString();
    }
}

Qt::ItemFlags CandidateTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == selectedColumn && index.row() < rowCount() &&
        !store_.items()[std::size_t(index.row())].moved())
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool CandidateTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != selectedColumn ||
        index.row() >= rowCount() || store_.items()[std::size_t(index.row())].moved())
        return false;
    emit toggleRequested(index.row(), value.toInt() == Qt::Checked);
    return true;
}
