#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace orvane {

// The welcome sheet: what the application does, three tips and the way to
// learn more. Start ends and closes it.
class LeadWindow : public QDialog {
  Q_OBJECT

 public:
  explicit LeadWindow(QWidget* parent);

  void ClickStart();
  // False once the user ticked "Don't show this again".
  static bool showAtStart();

  QPushButton* startButton() const { return startButton_; }
  QPushButton* learnMoreButton() const { return learnMoreButton_; }
  QCheckBox* dontShowBox() const { return dontShowBox_; }

 signals:
  void ClickLearnMore();

 private:
  QPushButton* startButton_;
  QPushButton* learnMoreButton_;
  QCheckBox* dontShowBox_;
};

}  // namespace orvane
