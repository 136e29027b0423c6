// The small widget classes: icon-and-title geometry, the read-only text
// area, the hover button's enter and leave signals; where sheets hang.

#include "widgets_test.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "app/sheet_placement.h"
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

void WidgetsTest::sheetsHangByWindowHeight() {
  QCOMPARE(sheetOffset(559), 60);
  QCOMPARE(sheetOffset(537), 60);
  QCOMPARE(sheetOffset(620), 78);
  for (int other : {0, 536, 538, 560, 619, 621}) QCOMPARE(sheetOffset(other), 0);

  QWidget window;
  window.setGeometry(100, 50, 850, 620);
  window.show();
  QWidget sheet(&window, Qt::Dialog);
  sheet.resize(300, 120);
  attachSheet(&sheet, &window);
  sheet.show();
  const QPoint top = window.mapToGlobal(QPoint(0, 0));
  // centred across the window, 78 below the top of a 620-high one
  QCOMPARE(sheet.pos(), top + QPoint((850 - 300) / 2, 78));
  // a sheet that takes another size as it shows stays in its place
  sheet.resize(500, 120);
  QCOMPARE(sheet.pos(), top + QPoint((850 - 500) / 2, 78));
  sheet.hide();
  window.resize(849, 560);
  sheet.show();
  QCOMPARE(sheet.pos().y(), window.mapToGlobal(QPoint(0, 0)).y());
}
