#include "app/record_table_model.h"

#include <algorithm>

#include "app/ui_style.h"

namespace orvane {

RecordTableModel::RecordTableModel(PRResultViewController& results, ResultTable table,
                                   QObject* parent)
    : QAbstractTableModel(parent),
      results_(results),
      table_(table),
      list_(&categoryList(table, BrowseSource::blackBerry)),
      cellFont_(ui::font(11)) {}

void RecordTableModel::setSource(BrowseSource source) {
  beginResetModel();
  list_ = &categoryList(table_, source);
  rows_ = results_.displayList(table_);
  endResetModel();
}

void RecordTableModel::reload() {
  std::vector<RecordPtr> fresh = results_.displayList(table_);
  const bool sameStart =
      fresh.size() >= rows_.size() && std::equal(rows_.begin(), rows_.end(), fresh.begin());
  if (!sameStart) {
    beginResetModel();
    rows_ = std::move(fresh);
    endResetModel();
    return;
  }
  if (fresh.size() > rows_.size()) {
    beginInsertRows({}, static_cast<int>(rows_.size()), static_cast<int>(fresh.size()) - 1);
    rows_ = std::move(fresh);
    endInsertRows();
  }
  if (!rows_.empty()) {
    emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, 0),
                     {Qt::CheckStateRole});
  }
}

RecordPtr RecordTableModel::recordAt(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
  return rows_[static_cast<std::size_t>(row)];
}

const ColumnTraits* RecordTableModel::column(int column) const {
  if (column < 1 || static_cast<std::size_t>(column) > list_->columns.size()) return nullptr;
  return &list_->columns[static_cast<std::size_t>(column) - 1];
}

QString RecordTableModel::columnIdentifier(int column) const {
  if (column == 0) return QStringLiteral("bSelected");
  const ColumnTraits* traits = this->column(column);
  return traits != nullptr ? ui::recordText(traits->title) : QString();
}

int RecordTableModel::columnWidth(int column) const {
  if (column == 0) return kTickColumnWidth;
  const ColumnTraits* traits = this->column(column);
  return traits != nullptr ? traits->width : 0;
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_->columns.size()) + 1;
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
  const RecordPtr record = recordAt(index.row());
  if (!record || index.column() >= columnCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (const ColumnTraits* traits = column(index.column())) {
        return ui::recordText(traits->text(*record));
      }
      return {};
    case Qt::CheckStateRole:
      if (index.column() != 0) return {};
      return record->bSelected == 1 ? Qt::Checked : Qt::Unchecked;
    case Qt::ForegroundRole:
      if (list_->deletedBox && PRResultViewController::isDeletedRecord(*record))
        return ui::deletedColour();
      return {};
    case Qt::FontRole:
      return cellFont_;
    default:
      return {};
  }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) {
    const ColumnTraits* traits = column(section);
    return traits != nullptr ? ui::text(std::string(traits->title).c_str()) : QString();
  }
  if (role == Qt::FontRole) return cellFont_;
  return {};
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // the view handles clicks on ticks itself, so that a click keeps the
  // selection it applies to
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool RecordTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != 0 || !recordAt(index.row())) return false;
  const bool ticked = value.toInt() == Qt::Checked;
  results_.setTickForRows(selectedRows_ ? selectedRows_() : std::vector<std::size_t>{}, ticked);
  if (!rows_.empty()) {
    emit dataChanged(this->index(0, 0), this->index(static_cast<int>(rows_.size()) - 1, 0),
                     {Qt::CheckStateRole});
  }
  return true;
}

}  // namespace orvane
