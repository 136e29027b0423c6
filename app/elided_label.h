#pragma once

#include <QFrame>
#include <QString>

namespace orvane {

// A preview line: keeps its whole text (the tooltip shows it) and draws
// each of its lines cut to the width it has, so that long values never
// push the pane wider than the window.
class ElidedLabel : public QFrame {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  QString text() const { return text_; }
  void setText(const QString& text);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

}  // namespace orvane
