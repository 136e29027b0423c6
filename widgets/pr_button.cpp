#include "widgets/pr_button.h"

#include <QEnterEvent>

namespace orvane {

void PRButton::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  emit PRbuttonMouseEntered(this);
}

void PRButton::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  emit PRbuttonMouseExited(this);
}

}  // namespace orvane
