#include "app/elided_label.h"

#include <QPainter>

namespace orvane {

ElidedLabel::ElidedLabel(QWidget* parent) : QFrame(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  setToolTip(text);
  updateGeometry();
  update();
}

QSize ElidedLabel::sizeHint() const {
  const auto lines = static_cast<int>(text_.count(QChar('\n'))) + 1;
  return {200, fontMetrics().lineSpacing() * lines + 2};
}

QSize ElidedLabel::minimumSizeHint() const { return {40, sizeHint().height()}; }

void ElidedLabel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(foregroundRole()));
  const QFontMetrics metrics = fontMetrics();
  int y = metrics.ascent() + 1;
  for (const QString& line : text_.split(QChar('\n'))) {
    painter.drawText(0, y, metrics.elidedText(line, Qt::ElideRight, width()));
    y += metrics.lineSpacing();
  }
}

}  // namespace orvane
