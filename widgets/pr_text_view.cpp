#include "widgets/pr_text_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace orvane {

PRTextView::PRTextView(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::NoTextInteraction);
  setContextMenuPolicy(Qt::NoContextMenu);
  setFocusPolicy(Qt::NoFocus);
}

void PRTextView::mousePressEvent(QMouseEvent* event) { event->accept(); }
void PRTextView::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void PRTextView::keyPressEvent(QKeyEvent* event) {
  // the scroll keys still read a long text; nothing else reaches the text
  switch (event->key()) {
    case Qt::Key_PageDown:
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
      return;
    case Qt::Key_PageUp:
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
      return;
    default:
      event->accept();
  }
}

void PRTextView::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void PRView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3));
}

}  // namespace orvane
