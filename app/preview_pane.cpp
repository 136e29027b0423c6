#include "app/preview_pane.h"

#include <QAudioOutput>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMediaPlayer>
#include <QMimeDatabase>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>
#include <algorithm>

#include "app/elided_label.h"
#include "app/heif_image.h"
#include "app/ui_style.h"
#include "app/user_prompts.h"
#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"
#include "widgets/pr_text_view.h"

namespace orvane {

namespace {

constexpr int kPictureSide = 240;
constexpr int kContactPictureSide = 96;
// Pictures larger than this are not decoded for a preview.
constexpr qint64 kLargestPreviewBytes = 256LL * 1024 * 1024;

QString qs(const std::string& text) { return ui::recordText(text); }

QString arg(const char* format, const std::string& value) {
  return ui::text(format).arg(qs(value));
}

// The same without the blanks that composed record texts carry at their ends.
QString trimmedArg(const char* format, const std::string& value) {
  return ui::text(format).arg(qs(value).trimmed());
}

// A device contact's company text holds department, job title and
// organisation, joined by blanks; shown beside the job title's own line, it
// leaves the job title out, and the blanks at its ends.
QString companyWithoutJobTitle(const std::string& company, const std::string& jobTitle) {
  std::string shown = company;
  if (!jobTitle.empty()) {
    const std::string part = " " + jobTitle;
    for (std::size_t at = shown.find(part); at != std::string::npos; at = shown.find(part, at)) {
      // a whole part only: at the end, or before the next blank
      const std::size_t end = at + part.size();
      if (end == shown.size() || shown[end] == ' ') {
        shown.erase(at, part.size());
        break;
      }
      at = end;
    }
  }
  return qs(shown).trimmed();
}

// The bytes of a field; a null array when there are none.
QByteArray bytesOf(ByteView bytes) {
  if (bytes.empty()) return {};
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

// Content as it lies in the backup; a null array when there is none, when
// it is too large to preview, or when it can no longer be read (its source
// vanished or was shortened since the scan).
QByteArray contentOf(const ContentRef& content) {
  if (content.empty() || content.size() > static_cast<std::uint64_t>(kLargestPreviewBytes)) {
    return {};
  }
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(content.size()));
  std::string problem;
  const bool whole = content.stream(
      [&](std::span<const std::uint8_t> piece) {
        bytes.append(reinterpret_cast<const char*>(piece.data()),
                     static_cast<qsizetype>(piece.size()));
        return true;
      },
      problem);
  return whole ? bytes : QByteArray();
}

QImage decode(const QByteArray& bytes) {
  if (bytes.isEmpty() || bytes.size() > kLargestPreviewBytes) return {};
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  const QImage image = reader.read();
  return image.isNull() ? decodeHeif(bytes) : image;
}

const char* pictureName(PreviewKind kind) {
  switch (kind) {
    case PreviewKind::contact:
      return "contactImageView";
    case PreviewKind::cardImage:
      return "bbImageImageView";
    default:
      return "imageView";
  }
}

}  // namespace

PreviewPane::PreviewPane(PreviewKind kind, UserPrompts& prompts, QWidget* parent)
    : QWidget(parent), kind_(kind), prompts_(prompts) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 4, 4, 4);
  content_ = new QWidget(this);
  outer->addWidget(content_);
  auto* layout = new QVBoxLayout(content_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);

  picture_ = new QLabel(content_);
  picture_->setObjectName(pictureName(kind));
  const int side = kind == PreviewKind::contact ? kContactPictureSide : kPictureSide;
  picture_->setFixedSize(side, side);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->hide();
  layout->addWidget(picture_, 0, Qt::AlignHCenter);

  movieArea_ = new QWidget(content_);
  movieLayout_ = new QVBoxLayout(movieArea_);
  movieLayout_->setContentsMargins(0, 0, 0, 0);
  playButton_ = new QToolButton(movieArea_);
  playButton_->setText(ui::text("Play"));
  movieLayout_->addWidget(playButton_, 0, Qt::AlignHCenter);
  movieArea_->setObjectName("movView");
  movieArea_->setFixedHeight(kPictureSide);
  movieArea_->hide();
  layout->addWidget(movieArea_);

  linesLayout_ = new QVBoxLayout();
  linesLayout_->setSpacing(3);
  layout->addLayout(linesLayout_);

  text_ = new PRTextView(content_);
  text_->setFont(ui::font(12));
  text_->hide();
  layout->addWidget(text_, 100);
  if (kind == PreviewKind::appMedia) {
    previewButton_ = new QPushButton(ui::text("Preview"), content_);
    previewButton_->setObjectName("previewButton");
    connect(previewButton_, &QPushButton::clicked, this, [this] {
      if (!openPath_.isEmpty()) prompts_.openWithDesktop(QUrl::fromLocalFile(openPath_));
    });
    layout->addWidget(previewButton_, 0, Qt::AlignLeft);
  }
  // without a text area the fields stay at the top
  layout->addStretch(1);
}

PreviewPane::~PreviewPane() {
  if (player_ != nullptr) player_->stop();
}

ElidedLabel* PreviewPane::line(const QString& name) const {
  auto it = lines_.find(name);
  return it == lines_.end() ? nullptr : it->second;
}

bool PreviewPane::movieShown() const { return !movieArea_->isHidden(); }

void PreviewPane::setContentVisible(bool visible) { content_->setVisible(visible); }

void PreviewPane::beginRecord() {
  for (auto& [name, label] : lines_) label->hide();
}

void PreviewPane::setLine(const char* name, const QString& text, bool visible) {
  ElidedLabel*& label = lines_[QString::fromLatin1(name)];
  if (label == nullptr) {
    label = new ElidedLabel(content_);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(ui::font(12));
    linesLayout_->addWidget(label);
  }
  label->setText(text);
  label->setVisible(visible);
}

void PreviewPane::setLongText(const QString& text) {
  text_->setPlainText(text);
  text_->show();
}

void PreviewPane::showPicture(const QImage& image) {
  hideMovie();
  const QSize box = picture_->size();
  QPixmap pixmap = QPixmap::fromImage(image);
  if (pixmap.width() > box.width() || pixmap.height() > box.height()) {
    pixmap = pixmap.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  } else if (pixmap.width() * 4 <= box.width() && pixmap.height() * 4 <= box.height()) {
    // icons and thumbnails are enlarged by whole steps, so they stay crisp
    const int factor =
        std::min(box.width() / (2 * pixmap.width()), box.height() / (2 * pixmap.height()));
    pixmap = pixmap.scaled(pixmap.size() * std::min(factor, 8), Qt::KeepAspectRatio,
                           Qt::FastTransformation);
  }
  picture_->setPixmap(pixmap);
  picture_->show();
}

void PreviewPane::showGenericIcon(const QString& extension) {
  hideMovie();
  // the desktop's icon for the file type, else our own picture of it
  const QMimeType type =
      QMimeDatabase().mimeTypeForFile("file." + extension, QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
  QPixmap pixmap = icon.isNull() ? QPixmap() : icon.pixmap(picture_->size());
  if (pixmap.isNull()) {
    const bool movie = type.name().startsWith("video/") || type.name().startsWith("audio/");
    pixmap = ui::artwork(movie ? "videoBtn" : "imageButton", picture_->size() / 2);
  }
  picture_->setPixmap(pixmap);
  picture_->show();
}

void PreviewPane::ensurePlayer() {
  if (player_ != nullptr) return;
  player_ = new QMediaPlayer(this);
  audio_ = new QAudioOutput(this);
  video_ = new QVideoWidget(movieArea_);
  movieLayout_->insertWidget(0, video_, 1);
  player_->setAudioOutput(audio_);
  player_->setVideoOutput(video_);
  connect(playButton_, &QToolButton::clicked, this, [this] {
    if (player_->playbackState() == QMediaPlayer::PlayingState) {
      player_->pause();
    } else {
      player_->play();
    }
  });
  connect(player_, &QMediaPlayer::playbackStateChanged, this, [this](auto state) {
    playButton_->setText(state == QMediaPlayer::PlayingState ? ui::text("Pause")
                                                             : ui::text("Play"));
  });
  // a movie that cannot be played is shown as the icon of its type
  connect(player_, &QMediaPlayer::errorOccurred, this,
          [this](QMediaPlayer::Error, const QString&) { showGenericIcon("mov"); });
}

void PreviewPane::showMovie(const QByteArray& bytes, const QString& fileName) {
  ensurePlayer();
  player_->stop();
  if (movieBytes_ != nullptr) movieBytes_->deleteLater();
  movieBytes_ = new QBuffer(this);
  movieBytes_->setData(bytes);
  movieBytes_->open(QIODevice::ReadOnly);
  picture_->hide();
  movieArea_->show();
  player_->setSourceDevice(movieBytes_, QUrl(fileName));
}

void PreviewPane::showMovieFile(const QString& path) {
  ensurePlayer();
  player_->stop();
  picture_->hide();
  movieArea_->show();
  player_->setSource(QUrl::fromLocalFile(path));
}

void PreviewPane::hideMovie() {
  if (player_ != nullptr) player_->stop();
  movieArea_->hide();
}

void PreviewPane::showRecord(const PRRecord& record) {
  switch (kind_) {
    case PreviewKind::media:
      return showContent(record);
    case PreviewKind::contact:
      return showContact(record);
    case PreviewKind::message:
      return showMessage(record);
    case PreviewKind::note:
      return showNote(record);
    case PreviewKind::call:
      return showCall(record);
    case PreviewKind::bookmark:
      return showBookmark(record);
    case PreviewKind::appMedia:
      return showFaceTwitter(record);
    case PreviewKind::cardImage:
      return showCardImage(record);
    case PreviewKind::calendar:
      return showCalendar(record);
    case PreviewKind::mms:
      return showMms(record);
    case PreviewKind::none:
      return;
  }
}

void PreviewPane::showCalendar(const PRRecord& record) {
  beginRecord();
  if (const auto* b = dynamic_cast<const PRBlackBerryCalenderNode*>(&record)) {
    setLine("calendarTitlelab", trimmedArg("Subject: %1", b->bbCalSubject));
    setLongText(qs(b->bbCalInformation));
  } else if (const auto* c = dynamic_cast<const PRCalenderNode*>(&record)) {
    setLine("calendarTitlelab", trimmedArg("Title: %1", c->calTitle));
    setLine("calendarLocationlab", trimmedArg("Location: %1", c->location));
    setLine("calendarStartlab", arg("Start: %1", c->startDate));
    setLine("calendarEndlab", arg("End: %1", c->endDate));
    setLongText(qs(c->calNote));
  }
}

void PreviewPane::showMms(const PRRecord& record) {
  beginRecord();
  const auto* m = dynamic_cast<const PRBlackBerryMMSMessageNode*>(&record);
  if (m == nullptr) return;
  setLine("mmsFromlab", trimmedArg("From: %1", m->numberName));
  setLine("mmsAttachmentlab", trimmedArg("Attachment: %1", m->contentDataName));
  setLongText(qs(m->contentText));
  // most carry no text beside their attachment: no empty box then
  text_->setVisible(!m->contentText.empty());
  // a picture attachment is shown; any other keeps the pane to its lines
  const QImage image = decode(contentOf(m->contentData));
  if (image.isNull()) {
    picture_->hide();
  } else {
    showPicture(image);
  }
}

void PreviewPane::showContent(const PRRecord& record) {
  if (const auto* file = dynamic_cast<const PRBlackBerryContentNode*>(&record)) {
    const QString type = qs(file->ContentFileType);
    const QString name = qs(file->filePathName).section('/', -1);
    const bool picture = type == "Image";
    const bool movie = type == "Audio" || type == "Video" || type == "Vedio";
    if (!picture && !movie) return;  // other files leave the last picture or movie on screen
    const QByteArray bytes = contentOf(file->contentData);
    if (bytes.isEmpty() &&
        file->contentData.size() <= static_cast<std::uint64_t>(kLargestPreviewBytes)) {
      // the backup no longer holds it: nothing to show
      hideMovie();
      picture_->hide();
    } else if (picture) {
      const QImage image = decode(bytes);
      if (image.isNull()) {
        showGenericIcon(QFileInfo(name).suffix());
      } else {
        showPicture(image);
      }
    } else {
      showMovie(bytes, name);
    }
    return;
  }
  if (const auto* media = dynamic_cast<const PRPhotoAndVideoNode*>(&record)) {
    const QString path = qs(media->filePath);
    // an encrypted backup's file is read decrypted through its content
    const QByteArray bytes = media->content ? contentOf(media->content) : QByteArray();
    if (media->bmov == 1) {
      media->content ? showMovie(bytes, qs(media->fileNodeName)) : showMovieFile(path);
      return;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = media->content ? decode(bytes) : reader.read();
    if (image.isNull() && !media->content) {
      QFile file(path);
      if (file.size() <= kLargestPreviewBytes && file.open(QIODevice::ReadOnly)) {
        image = decodeHeif(file.readAll());
      }
    }
    if (image.isNull()) {
      showGenericIcon("jpg");
    } else {
      showPicture(image);
    }
  }
}

void PreviewPane::showContact(const PRRecord& record) {
  beginRecord();
  QImage portrait;
  if (const auto* c = dynamic_cast<const PRBlackBerryContactNode*>(&record)) {
    setLine("contactNamelab", qs(c->contactName), !c->contactName.empty());
    setLine("contacttitlelab", qs(c->titleName));
    setLine("contactCompanylab", qs(c->companyName));
    setLine("contactPhonelab", arg("Phone Home: %1", c->homeCall));
    setLine("contactmobilCalllab", arg("Phone Mobil: %1", c->mobilCall));
    setLine("contactworkCalllab", arg("Phone Work: %1", c->workCall));
    setLine("contactEmaillab", arg("Email: %1", c->email));
    setLine("contactHomePagelab", arg("HomePage: %1", c->webSite));
    setLine("contactaddresslab", ui::text("Adress: %1 %2 %3 %4 %5")
                                     .arg(qs(c->address), qs(c->city), qs(c->provice),
                                          qs(c->country), qs(c->postZcode)));
    setLine("contactpinNumberlab", arg("PinNumber: %1", c->pinNumber));
    setLine("contactBirthdaylab", arg("Birthday: %1", c->brithday));
    setLongText(arg("Note: %1", c->note));
    portrait = decode(contentOf(c->contactImageData));
  } else if (const auto* p = dynamic_cast<const PRContactNode*>(&record)) {
    setLine("contactNamelab", qs(p->contactName), !p->contactName.empty());
    setLine("contacttitlelab", qs(p->contactJobtitle).trimmed());
    setLine("contactCompanylab", companyWithoutJobTitle(p->contactCompany, p->contactJobtitle));
    setLine("contactPhonelab", arg("Phone: %1", p->contactPhone));
    setLine("contactEmaillab", arg("Email: %1", p->contactEmail));
    setLine("contactHomePagelab", arg("HomePage: %1", p->contactHomepage));
    setLine("contactaddresslab", arg("Adress: %1", p->contactAdress));
    setLine("contactBirthdaylab", arg("Birthday: %1", p->contactBirthday));
    setLongText(arg("Note: %1", p->contactNote));
    portrait = decode(p->imageData ? bytesOf(*p->imageData) : QByteArray());
  } else {
    return;
  }
  if (portrait.isNull()) {
    picture_->setPixmap(ui::artwork("contact", picture_->size()));
    picture_->show();
  } else {
    showPicture(portrait);
  }
}

void PreviewPane::showMessage(const PRRecord& record) {
  beginRecord();
  if (const auto* s = dynamic_cast<const PRBlackBerrySMSMessageNode*>(&record)) {
    setLine("messagePhonelab", arg("Phone: %1", s->numberString));
    setLine("messageTypelab", arg("Type: %1", s->type));
    setLongText(qs(s->contentText));
  } else if (const auto* m = dynamic_cast<const PRMessageNode*>(&record)) {
    setLine("messageNamelab", arg("Name: %1", m->messageName));
    setLine("messagePhonelab", arg("Phone: %1", m->messagePhone));
    setLine("messageDatelab", arg("Date: %1", m->messageDate));
    setLine("messageTypelab", arg("Type: %1", m->messageType));
    setLongText(qs(m->messageContent));
  }
}

void PreviewPane::showNote(const PRRecord& record) {
  beginRecord();
  if (const auto* n = dynamic_cast<const PRBlackBerryNoteNode*>(&record)) {
    setLine("noteTitlelab", arg("Title: %1", n->noteTittle));
    setLine("noteContentlab", arg("Note: %1", n->noteContent).section('\n', 0, 0));
    setLongText(qs(n->noteContent));
  } else if (const auto* i = dynamic_cast<const PRNoteNode*>(&record)) {
    setLine("noteTitlelab", arg("Title: %1", i->noteTitle.value_or("")));
    setLine("noteDatelab", arg("Date: %1", i->noteDate));
    setLongText(qs(i->noteContent.value_or("")));
  }
}

void PreviewPane::showCall(const PRRecord& record) {
  beginRecord();
  if (const auto* h = dynamic_cast<const PRBlackBerryCallNode*>(&record)) {
    setLine("callNamelab", arg("Name: %1", h->CallName));
    setLine("callPhonelab", arg("Phone: %1", h->CallNumber));
    setLine("callTypelab", arg("Type: %1", h->CallType));
    setLine("callTimelab", arg("Duration: %1", h->callDuration));
    setLine("callDatelab", arg("Date: %1", h->CallTime));
  } else if (const auto* c = dynamic_cast<const PRCallHistoryNode*>(&record)) {
    setLine("callNamelab", arg("Name: %1", c->callName));
    setLine("callPhonelab", arg("Phone: %1", c->callPhone));
    setLine("callTypelab", arg("Type: %1", c->callType));
    setLine("callTimelab", arg("Duration: %1", c->callDuration));
    setLine("callDatelab", arg("Date: %1", c->callDate));
  }
}

void PreviewPane::showBookmark(const PRRecord& record) {
  beginRecord();
  if (const auto* b = dynamic_cast<const PRBookMarkNode*>(&record)) {
    setLine("bookMarkTitlelab", arg("Title: \n%1", b->bookMarkTitle));
    setLine("bookMarkURLlab", arg("URL: \n%1", b->bookMarkURL));
  }
}

void PreviewPane::showFaceTwitter(const PRRecord& record) {
  beginRecord();
  const auto* media = dynamic_cast<const PRFaceTwitterNode*>(&record);
  if (media == nullptr) return;
  openPath_ = qs(media->faceTwitterFilePath);
  setLine("faceTwitterNamelab", qs(media->faceTwitterFileName));
  setLine("faceTwitterSizelab", qs(media->fileSize));
  QImageReader reader(openPath_);
  const QImage image = reader.read();
  if (image.isNull()) {
    showGenericIcon(QFileInfo(qs(media->faceTwitterFileName)).suffix());
  } else {
    showPicture(image);
  }
}

void PreviewPane::showCardImage(const PRRecord& record) {
  // the found file's bytes come from the engine; without them, or when they
  // are no picture, the type's icon stands in
  const auto* found = dynamic_cast<const PRScanListNode*>(&record);
  if (found == nullptr) return;
  QImage image;
  if (foundFileReader_) {
    // the bytes live only for the decode
    if (const auto bytes = foundFileReader_(*found)) {
      image = decode(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()),
                                             static_cast<qsizetype>(bytes->size())));
    }
  }
  if (image.isNull()) {
    showGenericIcon("jpg");
  } else {
    showPicture(image);
  }
}

}  // namespace orvane
