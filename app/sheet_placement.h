#pragma once

// Sheets (the window-modal dialogs of the main window) hang from the top
// of the window's content, centred across it, lowered on the window sizes
// whose top holds a banner so that the banner stays readable.

class QWidget;

namespace orvane {

// How far below the top of a window of `windowHeight` its sheets hang:
// 60 for 559 and 537, 78 for 620, 0 for any other height.
int sheetOffset(int windowHeight);

// Moves `sheet` to its place over `window` now.
void placeSheet(QWidget* sheet, const QWidget* window);

// Keeps `sheet` in its place over `window` each time it is shown or
// changes size (a message box takes its size as it shows).
void attachSheet(QWidget* sheet, QWidget* window);

}  // namespace orvane
