#pragma once

#include <QString>
#include <QWidget>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "core/record.h"
#include "core/scan_list_node.h"
#include "results/category_traits.h"

class QAudioOutput;
class QBuffer;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class QVideoWidget;

namespace orvane {

class ElidedLabel;
class PRTextView;
class UserPrompts;

// The pane beside a results table that shows the selected record: its
// fields as lines, a picture or a movie, a long text.
class PreviewPane : public QWidget {
  Q_OBJECT

 public:
  PreviewPane(PreviewKind kind, UserPrompts& prompts, QWidget* parent = nullptr);
  ~PreviewPane() override;

  // The bytes of a file found on a memory card, read through the recovery
  // engine; none when they cannot be had.
  using FoundFileReader =
      std::function<std::optional<std::vector<std::byte>>(const PRScanListNode&)>;
  void setFoundFileReader(FoundFileReader reader) { foundFileReader_ = std::move(reader); }

  void showRecord(const PRRecord& record);
  // Hidden while the category's list is empty.
  void setContentVisible(bool visible);

  // The line of that name ("callNamelab", ...), or none before it was shown.
  ElidedLabel* line(const QString& name) const;
  QLabel* picture() const { return picture_; }
  PRTextView* textArea() const { return text_; }
  bool movieShown() const;

 private:
  void beginRecord();
  void setLine(const char* name, const QString& text, bool visible = true);
  void setLongText(const QString& text);
  void showPicture(const QImage& image);
  void showGenericIcon(const QString& extension);
  void showMovie(const QByteArray& bytes, const QString& fileName);
  void showMovieFile(const QString& path);
  void hideMovie();
  void ensurePlayer();

  void showContent(const PRRecord& record);
  void showContact(const PRRecord& record);
  void showMessage(const PRRecord& record);
  void showNote(const PRRecord& record);
  void showCall(const PRRecord& record);
  void showBookmark(const PRRecord& record);
  void showFaceTwitter(const PRRecord& record);
  void showCardImage(const PRRecord& record);
  void showCalendar(const PRRecord& record);
  void showMms(const PRRecord& record);

  PreviewKind kind_;
  UserPrompts& prompts_;
  QWidget* content_;
  QLabel* picture_;
  QWidget* movieArea_;
  QVBoxLayout* movieLayout_;
  QToolButton* playButton_;
  QVBoxLayout* linesLayout_;
  PRTextView* text_;
  QPushButton* previewButton_ = nullptr;
  std::map<QString, ElidedLabel*> lines_;
  QString openPath_;
  FoundFileReader foundFileReader_;

  QMediaPlayer* player_ = nullptr;
  QAudioOutput* audio_ = nullptr;
  QVideoWidget* video_ = nullptr;
  QBuffer* movieBytes_ = nullptr;
};

}  // namespace orvane
