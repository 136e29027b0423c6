#pragma once

#include <QDialog>

class QPushButton;

namespace orvane {

// The welcome sheet: what the application does, three tips and the way to
// learn more. Start ends and closes it.
class LeadWindow : public QDialog {
  Q_OBJECT

 public:
  explicit LeadWindow(QWidget* parent);

  void ClickStart();

  QPushButton* startButton() const { return startButton_; }
  QPushButton* learnMoreButton() const { return learnMoreButton_; }

 signals:
  void ClickLearnMore();

 private:
  QPushButton* startButton_;
  QPushButton* learnMoreButton_;
};

}  // namespace orvane
