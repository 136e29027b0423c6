#include "widgets/pr_image_and_text_cell.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <algorithm>

namespace orvane {

namespace {

QSize iconSizeOf(const QStyleOptionViewItem& option, const QModelIndex& index) {
  const QVariant decoration = index.data(Qt::DecorationRole);
  if (decoration.canConvert<QIcon>() && !decoration.value<QIcon>().isNull()) {
    return option.decorationSize.isValid() ? option.decorationSize : QSize(16, 16);
  }
  if (decoration.canConvert<QPixmap>()) {
    const auto pixmap = decoration.value<QPixmap>();
    if (!pixmap.isNull()) return pixmap.deviceIndependentSize().toSize();
  }
  return {};
}

}  // namespace

QRect PRImageAndTextCell::imageRectForBounds(const QRect& bounds, const QSize& iconSize) {
  if (iconSize.isEmpty()) return {};
  // the odd pixel of centring goes below the icon
  const int top = bounds.y() + (bounds.height() - iconSize.height() + 1) / 2;
  return {bounds.x() + kGap, top, iconSize.width(), iconSize.height()};
}

QRect PRImageAndTextCell::titleRectForBounds(const QRect& bounds, const QSize& iconSize) {
  const int indent = iconSize.isEmpty() ? 0 : iconSize.width() + kGap;
  return bounds.adjusted(indent + kGap, 0, 0, 0);
}

void PRImageAndTextCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QSize iconSize = iconSizeOf(opt, index);
  const QIcon icon = opt.icon;
  // the style draws background, selection and text; the icon is ours
  opt.features &= ~QStyleOptionViewItem::HasDecoration;
  opt.icon = QIcon();
  const QRect bounds = opt.rect;
  opt.rect = titleRectForBounds(bounds, iconSize);
  QStyleOptionViewItem background = option;
  initStyleOption(&background, index);
  background.text.clear();
  background.icon = QIcon();
  background.features &= ~QStyleOptionViewItem::HasDecoration;
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  if (!iconSize.isEmpty()) {
    const QRect target = imageRectForBounds(bounds, iconSize);
    const QIcon::Mode mode =
        (option.state & QStyle::State_Selected) != 0 ? QIcon::Selected : QIcon::Normal;
    icon.paint(painter, target, Qt::AlignCenter, mode);
  }
}

QSize PRImageAndTextCell::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QSize iconSize = iconSizeOf(opt, index);
  opt.features &= ~QStyleOptionViewItem::HasDecoration;
  opt.icon = QIcon();
  QSize size = QStyledItemDelegate::sizeHint(opt, index);
  size.rwidth() += iconSize.isEmpty() ? kGap : iconSize.width() + kGap;
  size.setHeight(std::max(size.height(), iconSize.height() + 2));
  return size;
}

}  // namespace orvane
