#pragma once

#include <QStyledItemDelegate>

namespace orvane {

// Draws a row's icon (its decoration) at the left of the cell, three points
// in from the edge and centred in height, and the title after it.
class PRImageAndTextCell : public QStyledItemDelegate {
  Q_OBJECT

 public:
  static constexpr int kGap = 3;

  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // Where the icon of `iconSize` goes in `bounds`; empty without an icon.
  static QRect imageRectForBounds(const QRect& bounds, const QSize& iconSize);
  // The text's part of `bounds`: what the icon and its gap leave.
  static QRect titleRectForBounds(const QRect& bounds, const QSize& iconSize);
};

}  // namespace orvane
