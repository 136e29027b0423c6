#include "app/ui_style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>

// The artwork lives in a static library: its resources are registered by
// hand, once, before the first picture is drawn.
static void registerArtwork() { Q_INIT_RESOURCE(orvane); }

namespace orvane::ui {

namespace {

void ensureArtwork() {
  static const bool registered = [] {
    registerArtwork();
    return true;
  }();
  (void)registered;
}

// The pictures drawn in the ink colour (and the light panel fill) become
// the accent when selected or hovered.
constexpr const char* kInk = "#1f5f8b";
constexpr const char* kAccent = "#d9511e";
constexpr const char* kPanel = "#eef3f7";
constexpr const char* kPanelAccent = "#fbeee8";

struct ArtworkName {
  QString file;
  bool highlighted = false;
};

// Which file draws a name. Pictures with states have a plain or "Nom"
// form and an "On" or "Down" form drawn from the same file; "contact"
// alone is the portrait shown for a contact without a picture.
ArtworkName resolve(const QString& name) {
  static const QHash<QString, QString> kPictures = {
      {"contact", "contactPicture"}, {"partitionImg", "partition"},
      {"iphone", "iphone"},          {"ipad", "ipad"},
      {"orvane", "orvane"},
  };
  static const QHash<QString, QString> kStates = {
      {"phone&video", "photo"},
      {"contact", "contact"},
      {"message", "message"},
      {"note", "note"},
      {"call", "call"},
      {"CalendarReminder", "calendar"},
      {"MMSMessageBtn", "mms"},
      {"Safari-BookMark", "bookmark"},
      {"TwitterFaceBook", "share"},
      {"imageButton", "photo"},
      {"videoBtn", "video"},
      {"audioBtn", "audio"},
      {"DocumentBtn", "document"},
      {"archiveBtn", "archive"},
      {"firstBtn", "firstBtn"},
      {"ipdBtn", "ipdBtn"},
      {"cardBtn", "cardBtn"},
  };
  if (auto it = kPictures.find(name); it != kPictures.end()) return {*it, false};
  for (const char* suffix : {"Nom", "On", "Down"}) {
    if (!name.endsWith(QLatin1String(suffix))) continue;
    const QString base = name.left(name.size() - static_cast<qsizetype>(qstrlen(suffix)));
    if (auto it = kStates.find(base); it != kStates.end()) {
      return {*it, qstrcmp(suffix, "Nom") != 0};
    }
  }
  if (auto it = kStates.find(name); it != kStates.end()) return {*it, false};
  return {};
}

QByteArray svgSource(const ArtworkName& art) {
  QFile file(QStringLiteral(":/artwork/%1.svg").arg(art.file));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray svg = file.readAll();
  if (art.highlighted) {
    svg.replace(kInk, kAccent);
    svg.replace(kPanel, kPanelAccent);
  }
  return svg;
}

}  // namespace

QString text(const char* key) { return QCoreApplication::translate("Orvane", key); }

QFont font(int points, bool bold) {
  QFont chosen = QApplication::font();
  static const bool haveLucida = QFontDatabase::families().contains("Lucida Grande");
  if (haveLucida) chosen.setFamily("Lucida Grande");
  chosen.setPixelSize(points);
  chosen.setBold(bold);
  return chosen;
}

QColor deletedColour() { return {217, 81, 30}; }
QColor inkColour() { return QColor(kInk); }

bool hasArtwork(const QString& name) {
  ensureArtwork();
  const ArtworkName art = resolve(name);
  return !art.file.isEmpty() && QFile::exists(QStringLiteral(":/artwork/%1.svg").arg(art.file));
}

QPixmap artwork(const QString& name, QSize size) {
  static QHash<QString, QPixmap> cache;
  const qreal ratio = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
  const QString key =
      QStringLiteral("%1@%2x%3x%4").arg(name).arg(size.width()).arg(size.height()).arg(ratio);
  if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;

  ensureArtwork();
  const ArtworkName art = resolve(name);
  QPixmap pixmap;
  if (!art.file.isEmpty()) {
    QSvgRenderer renderer(svgSource(art));
    if (renderer.isValid()) {
      pixmap = QPixmap((QSizeF(size) * ratio).toSize());
      pixmap.setDevicePixelRatio(ratio);
      pixmap.fill(Qt::transparent);
      QPainter painter(&pixmap);
      painter.setRenderHint(QPainter::Antialiasing);
      renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
  }
  cache.insert(key, pixmap);
  return pixmap;
}

QIcon artworkIcon(const QString& name, QSize size) {
  QIcon icon;
  icon.addPixmap(artwork(name, size));
  return icon;
}

void styleAsLink(QPushButton* button, const QFont& linkFont) {
  button->setFlat(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setFont(linkFont);
  button->setStyleSheet(
      "QPushButton { color: #0645ad; text-decoration: underline; border: none; padding: 2px; }");
}

}  // namespace orvane::ui
