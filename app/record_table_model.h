#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <functional>
#include <vector>

#include "results/category_traits.h"
#include "results/result_view_controller.h"

namespace orvane {

// One results table over the display list the model keeps for it. The rows
// are the model's records, never copies; ticks go back through the model.
class RecordTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using SelectedRows = std::function<std::vector<std::size_t>()>;

  RecordTableModel(PRResultViewController& results, ResultTable table, QObject* parent = nullptr);

  ResultTable table() const { return table_; }
  void setSource(BrowseSource source);
  // The rows selected in the view: a tick applies to all of them.
  void setSelectedRows(SelectedRows selectedRows) { selectedRows_ = std::move(selectedRows); }

  // Re-reads the display list: appended records become inserted rows, a
  // reordered or refilled list resets the table, ticks are redrawn.
  void reload();
  RecordPtr recordAt(int row) const;
  // "bSelected" for the tick column, else the column's title.
  QString columnIdentifier(int column) const;
  int columnWidth(int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Qt::CheckStateRole on the tick column ticks or unticks the selected rows.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  static constexpr int kTickColumnWidth = 28;
  // The traits of a column after the tick column; none for the tick column
  // and past the last.
  const ColumnTraits* column(int column) const;

  PRResultViewController& results_;
  ResultTable table_;
  // the list shown for the source being browsed; the tick column comes
  // before its columns
  const CategoryList* list_;
  std::vector<RecordPtr> rows_;
  QFont cellFont_;
  SelectedRows selectedRows_;
};

}  // namespace orvane
