#include "app/record_table_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "app/record_table_model.h"
#include "app/ui_style.h"

namespace orvane {

RecordTableView::RecordTableView(RecordTableModel* model, bool severalRows, QWidget* parent)
    : QTableView(parent), model_(model) {
  setModel(model);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(severalRows ? QAbstractItemView::ExtendedSelection
                               : QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAlternatingRowColors(true);
  setShowGrid(false);
  setWordWrap(false);
  setFont(ui::font(11));
  // fixed row heights keep very long lists cheap to lay out and scroll
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setFont(ui::font(11));
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int section) { emit columnHeaderClicked(model_->columnIdentifier(section)); });
  model_->setSelectedRows([this] { return selectedRowNumbers(); });
  connect(model_, &QAbstractItemModel::modelReset, this, &RecordTableView::applyColumnWidths);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    // the preview follows the row selected last
    const QModelIndex current = selectionModel()->currentIndex();
    int row = -1;
    if (current.isValid() && selectionModel()->isRowSelected(current.row(), {})) {
      row = current.row();
    } else if (const auto rows = selectedRowNumbers(); !rows.empty()) {
      row = static_cast<int>(rows.back());
    }
    emit currentRecordChanged(row);
  });
  applyColumnWidths();
}

void RecordTableView::applyColumnWidths() {
  const int columns = model_->columnCount();
  if (columns == 0) return;
  horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
  setColumnWidth(0, 28);
  // widths come from the column list; the last column takes what remains
  for (int column = 1; column + 1 < columns; ++column) {
    setColumnWidth(column, model_->columnWidth(column));
  }
  // from a narrow start, so that stretching never pushes past the view
  if (columns > 1) setColumnWidth(columns - 1, 40);
}

std::vector<std::size_t> RecordTableView::selectedRowNumbers() const {
  std::vector<std::size_t> rows;
  if (selectionModel() == nullptr) return rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) {
    rows.push_back(static_cast<std::size_t>(index.row()));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void RecordTableView::selectFirstRow() {
  clearSelection();
  if (model_->rowCount() == 0) return;
  const QModelIndex first = model_->index(0, 1 < model_->columnCount() ? 1 : 0);
  selectionModel()->setCurrentIndex(
      first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollToTop();
}

void RecordTableView::clickTick(int row) {
  const RecordPtr record = model_->recordAt(row);
  if (!record) return;
  if (!selectionModel()->isRowSelected(row, {})) {
    selectionModel()->setCurrentIndex(
        model_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  const bool ticked = record->bSelected != 1;
  model_->setData(model_->index(row, 0), ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void RecordTableView::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index.isValid() && index.column() == 0 &&
      event->modifiers() == Qt::NoModifier) {
    setFocus(Qt::MouseFocusReason);
    clickTick(index.row());
    event->accept();
    return;
  }
  QTableView::mousePressEvent(event);
}

void RecordTableView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    const auto rows = selectedRowNumbers();
    if (!rows.empty()) clickTick(static_cast<int>(rows.front()));
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void RecordTableView::setEmptyText(const QString& text) {
  emptyText_ = text;
  viewport()->update();
}

void RecordTableView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (emptyText_.isEmpty() || model()->rowCount() > 0) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12),
                   Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
}

}  // namespace orvane
