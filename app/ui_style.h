#pragma once

// Fonts, colours, fixed texts and artwork shared by the windows.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <string>
#include <string_view>

class QPushButton;

namespace orvane::ui {

// A fixed text of the interface, looked up with the text itself as the key.
QString text(const char* key);

// A record's own text (UTF-8), as it stands.
inline QString recordText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Lucida Grande" where installed, else the platform's interface font, at
// `points` of the design (one design point is one device-independent pixel).
QFont font(int points, bool bold = false);

// Red 217, green 81, blue 30: deleted records and the brand accent.
QColor deletedColour();
QColor inkColour();

// Our own artwork by its name ("firstBtn", "contactNom", "contactOn",
// "partitionImg", ...), drawn at `size` for the screen's pixel ratio.
// Names ending in "On" or "Down" are the selected or hovered form of the
// same picture. An unknown name gives an empty pixmap.
QPixmap artwork(const QString& name, QSize size);
QIcon artworkIcon(const QString& name, QSize size);
// Whether a picture of that name ships with the application.
bool hasArtwork(const QString& name);

// Makes a flat button look and act like a link of a web page: blue,
// underlined, with the pointing hand, in `linkFont`.
void styleAsLink(QPushButton* button, const QFont& linkFont);

}  // namespace orvane::ui
