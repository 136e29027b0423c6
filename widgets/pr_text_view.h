#pragma once

#include <QPlainTextEdit>

namespace orvane {

// A text area that only the program writes: no editing, no selection, no
// context menu. Long message and note texts are shown in it.
class PRTextView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit PRTextView(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
};

// A plain panel painted in a one-third grey.
class PRView : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace orvane
