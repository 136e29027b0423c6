#pragma once

#include <QPushButton>

class QEnterEvent;

namespace orvane {

// A button that tells when the mouse enters and leaves it, so that the start
// screen can swap its pictures and note text.
class PRButton : public QPushButton {
  Q_OBJECT

 public:
  using QPushButton::QPushButton;

 signals:
  void PRbuttonMouseEntered(orvane::PRButton* button);
  void PRbuttonMouseExited(orvane::PRButton* button);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
};

}  // namespace orvane
