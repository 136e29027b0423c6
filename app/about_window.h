#pragma once

#include <QDialog>

class QPushButton;

namespace orvane {

// The about window: name, version and the two links, support and home page.
class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent);

  QPushButton* supportButton() const { return supportButton_; }
  QPushButton* homePageButton() const { return homePageButton_; }
  QPushButton* closeButton() const { return closeButton_; }

 signals:
  void ClickHelp();
  void ClickHomePage();

 private:
  QPushButton* supportButton_;
  QPushButton* homePageButton_;
  QPushButton* closeButton_;
};

}  // namespace orvane
