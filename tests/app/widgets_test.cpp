// The small widget classes: icon-and-title geometry, the read-only text
// area, the hover button's enter and leave signals.

#include "widgets_test.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "widgets/pr_button.h"
#include "widgets/pr_image_and_text_cell.h"
#include "widgets/pr_text_view.h"

using namespace orvane;

void WidgetsTest::iconSitsThreeInAndCentred() {
  // a 16 x 16 icon in a 20-high row: 3 in from the left, 2 down
  const QRect row(10, 40, 200, 20);
  QCOMPARE(PRImageAndTextCell::imageRectForBounds(row, {16, 16}), QRect(13, 42, 16, 16));
  // an odd leftover pixel goes below the icon
  QCOMPARE(PRImageAndTextCell::imageRectForBounds(QRect(0, 0, 50, 21), {16, 16}).top(), 3);
  QVERIFY(PRImageAndTextCell::imageRectForBounds(row, {}).isNull());
  // the title starts after the icon and its gap
  QCOMPARE(PRImageAndTextCell::titleRectForBounds(row, {16, 16}).left(), 10 + 16 + 3 + 3);
  QCOMPARE(PRImageAndTextCell::titleRectForBounds(row, {}).left(), 10 + 3);
}

void WidgetsTest::textViewIgnoresTyping() {
  PRTextView view;
  view.setPlainText("kept as written");
  view.show();
  QTest::keyClicks(&view, "typed");
  QTest::keyClick(&view, Qt::Key_Backspace);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton);
  QCOMPARE(view.toPlainText(), QString("kept as written"));
  QVERIFY(!view.textCursor().hasSelection());
  QCOMPARE(view.contextMenuPolicy(), Qt::NoContextMenu);
}

void WidgetsTest::buttonTellsEnterAndLeaveOnce() {
  PRButton button("option");
  QSignalSpy entered(&button, &PRButton::PRbuttonMouseEntered);
  QSignalSpy exited(&button, &PRButton::PRbuttonMouseExited);
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&button, &enter);
  QCoreApplication::sendEvent(&button, &leave);
  QCOMPARE(entered.count(), 1);
  QCOMPARE(exited.count(), 1);
  QCOMPARE(entered.first().first().value<PRButton*>(), &button);
}
