#pragma once

#include <QTableView>
#include <vector>

namespace orvane {

class RecordTableModel;

// A results table: a click on a tick ticks every selected row (selecting
// the clicked row first when it is not selected), Space does the same from
// the keyboard, and a header click asks the model to sort.
class RecordTableView : public QTableView {
  Q_OBJECT

 public:
  RecordTableView(RecordTableModel* model, bool severalRows, QWidget* parent = nullptr);

  RecordTableModel* recordModel() const { return model_; }
  std::vector<std::size_t> selectedRowNumbers() const;
  // Clears the selection and selects row 0 when there is one.
  void selectFirstRow();
  // The tick clicked on `row`, as the mouse would.
  void clickTick(int row);
  void applyColumnWidths();
  // Said in the table's area while it has no rows.
  void setEmptyText(const QString& text);
  QString emptyText() const { return emptyText_; }

 signals:
  void columnHeaderClicked(const QString& identifier);
  // the selection changed; -1 when nothing is selected
  void currentRecordChanged(int row);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  RecordTableModel* model_;
  QString emptyText_;
};

}  // namespace orvane
