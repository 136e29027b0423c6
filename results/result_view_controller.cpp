#include "results/result_view_controller.h"

#include <algorithm>
#include <cstdio>

#include "core/blackberry_records.h"
#include "core/event_names.h"
#include "core/ios_records.h"
#include "core/media_probe.h"
#include "core/scan_list_node.h"
#include "results/deleted_acceptance.h"
#include "results/result_model_state.h"

namespace orvane {

namespace {

// A live record event: the list it fills and the counter it raises.
struct LiveEvent {
  const char* name;
  ResultList list;
  std::int32_t ScanCounters::*counter;
};

constexpr LiveEvent kLiveEvents[] = {
    {events::ScanPhotoAndVideo, ResultList::photoAndVideoArray, &ScanCounters::photovideoNum},
    {events::ScanContactInfo, ResultList::contactArray, &ScanCounters::contactNum},
    {events::ScanMessageInfo, ResultList::messageArray, &ScanCounters::messageNum},
    {events::ScanCallHistoryInfo, ResultList::callHistoryArray, &ScanCounters::callNum},
    {events::ScanNoteInfo, ResultList::noteArray, &ScanCounters::noteNum},
    {events::scanBookMarkInfo, ResultList::bookMarkArray, &ScanCounters::bookMarkNum},
    {events::scanCalenderInfo, ResultList::calenderArray, &ScanCounters::calenderNum},
    {events::scanFaceTwitterInfo, ResultList::faceTwitterArray, &ScanCounters::facetwitterNum},
};

constexpr LiveEvent kDeletedEvents[] = {
    {events::ScanDelContactInfo, ResultList::contactArray, &ScanCounters::delContactNum},
    {events::ScanDelMessageInfo, ResultList::messageArray, &ScanCounters::delMessageNum},
    {events::ScanDelNoteInfo, ResultList::noteArray, &ScanCounters::delNoteNum},
    {events::ScanDelCallHistoryInfo, ResultList::callHistoryArray, &ScanCounters::delCallNum},
    {events::scanDelBookMarkInfo, ResultList::bookMarkArray, &ScanCounters::delBookMarkNum},
    {events::scanDelCalenderInfo, ResultList::calenderArray, &ScanCounters::delCalenderNum},
};

// A BlackBerry record event: the list it fills, and a test of its class.
struct BlackBerryEvent {
  const char* name;
  ResultList list;
  bool (*isOfClass)(const PRRecord&);
};

template <class T>
bool isA(const PRRecord& record) {
  return dynamic_cast<const T*>(&record) != nullptr;
}

constexpr BlackBerryEvent kBlackBerryEvents[] = {
    {events::BlacBerryContactInfo, ResultList::bbContactArray, &isA<PRBlackBerryContactNode>},
    {events::BlacBerryCallLogInfo, ResultList::bbCallArray, &isA<PRBlackBerryCallNode>},
    {events::BlackBerrySMSMessageInfo, ResultList::bbSMSArray, &isA<PRBlackBerrySMSMessageNode>},
    {events::BlackBerryMMSMessageInfo, ResultList::bbMMSArray, &isA<PRBlackBerryMMSMessageNode>},
    {events::BlackBerryNoteInfo, ResultList::bbNoteArray, &isA<PRBlackBerryNoteNode>},
    {events::BlackBerryCalenderInfo, ResultList::bbCalderArray, &isA<PRBlackBerryCalenderNode>},
    {events::BlackBerryContentStoreInfo, ResultList::bbContentStoreArray,
     &isA<PRBlackBerryContentNode>},
};

RecordPtr recordOf(const EventObject& object) {
  const auto* record = std::get_if<RecordPtr>(&object);
  return record != nullptr ? *record : nullptr;
}

std::string label(const char* prefix, std::int32_t count) { return prefix + std::to_string(count); }

}  // namespace

PRResultViewController::PRResultViewController(CorvelAppDelegate& app)
    : app_(app), lists_(std::make_unique<Lists>()) {
  subscribe();
  app_.setScanEndListener(this);
}

PRResultViewController::~PRResultViewController() {
  for (const auto token : tokens_) app_.nc.removeObserver(token);
  app_.setScanEndListener(nullptr);
}

void PRResultViewController::subscribe() {
  auto& nc = app_.nc;
  for (const LiveEvent& event : kLiveEvents) {
    tokens_.push_back(nc.addObserver(event.name, [this, event](const EventObject& object) {
      RecordPtr record = recordOf(object);
      if (!record) return;
      {
        std::lock_guard lock(mutex_);
        ++(counters_.*event.counter);
        ++counters_.BackUpFilesNum;
      }
      append(event.list, std::move(record));
    }));
  }
  for (const LiveEvent& event : kDeletedEvents) {
    tokens_.push_back(nc.addObserver(event.name, [this, event](const EventObject& object) {
      RecordPtr record = recordOf(object);
      if (!record) return;
      handleDeleted(event.name, event.list, record);
    }));
  }
  for (const BlackBerryEvent& event : kBlackBerryEvents) {
    tokens_.push_back(nc.addObserver(event.name, [this, event](const EventObject& object) {
      RecordPtr record = recordOf(object);
      if (record && event.isOfClass(*record)) append(event.list, std::move(record));
    }));
  }
  tokens_.push_back(nc.addObserver(events::ScanPhotoAndVideoInfo, [this](const EventObject& o) {
    if (const auto* path = std::get_if<std::string>(&o)) handleMediaPath(*path);
  }));
  tokens_.push_back(
      nc.addObserver(events::BlackBerryRawRecoveryFileInfo,
                     [this](const EventObject& object) { handleRawFile(recordOf(object)); }));
  // The device-backup steps report progress under their own name; both
  // drive the one progress page.
  for (const char* name : {events::BlackBerryRawRecoveryProgress, events::ScanProgressInfo}) {
    tokens_.push_back(nc.addObserver(name, [this](const EventObject& object) {
      if (const auto* percent = std::get_if<std::int64_t>(&object)) handleProgress(*percent);
    }));
  }
}

void PRResultViewController::append(ResultList list, RecordPtr record) {
  {
    std::lock_guard lock(mutex_);
    record->postingIndex = lists_->nextPostingIndex++;
    lists_->of(list).push_back(std::move(record));
  }
  if (observer_ != nullptr) observer_->listGrew(list);
}

void PRResultViewController::handleDeleted(const char* eventName, ResultList list,
                                           const RecordPtr& record) {
  {
    std::lock_guard lock(mutex_);
    if (acceptDeletedRecord(eventName, *record, lists_->of(list)) != Acceptance::kAccepted) return;
    if (auto* contact = dynamic_cast<PRContactNode*>(record.get())) contact->bDeleted = 1;
    if (auto* message = dynamic_cast<PRMessageNode*>(record.get())) message->bDeleted = 1;
    if (auto* note = dynamic_cast<PRNoteNode*>(record.get())) note->bDeleted = 1;
    if (auto* call = dynamic_cast<PRCallHistoryNode*>(record.get())) call->bDeleted = 1;
    if (auto* mark = dynamic_cast<PRBookMarkNode*>(record.get())) mark->bDeleted = 1;
    if (auto* event = dynamic_cast<PRCalenderNode*>(record.get())) event->bDeleted = 1;
    ++counters_.deleteeFilesNum;
    for (const LiveEvent& deleted : kDeletedEvents) {
      if (deleted.list == list) ++(counters_.*deleted.counter);
    }
  }
  append(list, record);
}

void PRResultViewController::handleMediaPath(const std::string& path) {
  // Pictures and movies are decoded on the main thread only.
  app_.mainThread().runAndWait([&] {
    const MediaKind kind = probeMediaKind(path);
    if (kind == MediaKind::kNone) return;
    auto node = std::make_shared<PRPhotoAndVideoNode>();
    node->filePath = path;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    node->fileNodeSize = FieldConversions::size_to_unit(error ? 0 : size);
    {
      std::lock_guard lock(mutex_);
      if (kind == MediaKind::kPicture) {
        ++counters_.imagecount;
        node->fileNodeName = FieldConversions::getFullName(counters_.imagecount) +
                             (isHeifPicture(path) ? ".heic" : ".jpg");
      } else {
        ++counters_.movCount;
        node->fileNodeName = FieldConversions::getFullName(counters_.movCount) + ".mov";
        node->bmov = 1;
      }
      ++counters_.photovideoNum;
      ++counters_.BackUpFilesNum;
    }
    append(ResultList::photoAndVideoArray, std::move(node));
  });
}

void PRResultViewController::handleRawFile(const RecordPtr& record) {
  const auto* file = dynamic_cast<const PRScanListNode*>(record.get());
  if (file == nullptr) return;
  if (file->fileType == "Image") {
    append(ResultList::bbImageArray, record);
  } else if (file->fileType == "Audio") {
    append(ResultList::bbAudioArray, record);
  } else if (file->fileType == "Video") {
    append(ResultList::bbVedioArray, record);
  } else if (file->fileType == "Document") {
    append(ResultList::bbDocumentArray, record);
  } else if (file->fileType == "Archive") {
    append(ResultList::bbArchiveArray, record);
  }
  // unknown types are not kept
}

void PRResultViewController::handleProgress(std::int64_t percent) {
  progressPercent_ = static_cast<int>(percent);
  if (observer_ == nullptr) return;
  const ScanCounters c = counters();
  // A backup reports progress after every record; the page has something
  // new to show only when the number or a count changed.
  if (lastShownProgress_ && lastShownProgress_->percent == percent &&
      lastShownProgress_->counters == c) {
    return;
  }
  lastShownProgress_ = ShownProgress{percent, c};
  std::vector<std::string> labels = {
      label("Photo&Video:  ", c.photovideoNum),
      "Photo&Video:  0",
      label("Contacts:  ", c.contactNum),
      label("Contacts:  ", c.delContactNum),
      label("Messages:  ", c.messageNum),
      label("Messages:  ", c.delMessageNum),
      label("Notes:  ", c.noteNum),
      label("Notes:  ", c.delNoteNum),
      label("Call History:  ", c.callNum),
      label("Call History:  ", c.delCallNum),
  };
  observer_->progressChanged(static_cast<int>(percent), labels);
}

std::vector<RecordPtr> PRResultViewController::snapshot(ResultList list) const {
  std::lock_guard lock(mutex_);
  return lists_->of(list);
}

std::size_t PRResultViewController::count(ResultList list) const {
  std::lock_guard lock(mutex_);
  return lists_->of(list).size();
}

std::vector<RecordPtr> PRResultViewController::allRecordsInPostingOrder() const {
  std::vector<RecordPtr> all;
  {
    std::lock_guard lock(mutex_);
    std::size_t total = 0;
    for (const auto& list : lists_->records) total += list.size();
    all.reserve(total);
    for (const auto& list : lists_->records) all.insert(all.end(), list.begin(), list.end());
  }
  std::sort(all.begin(), all.end(), [](const RecordPtr& a, const RecordPtr& b) {
    return a->postingIndex < b->postingIndex;
  });
  return all;
}

ScanCounters PRResultViewController::counters() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

void PRResultViewController::showView(BrowseSource source) {
  lastShownProgress_.reset();
  {
    std::lock_guard lock(mutex_);
    source_ = source;
    counters_ = ScanCounters{};
    // the backup categories start unticked; MMS and the card categories
    // keep their flags
    for (ResultTable table : {ResultTable::photo, ResultTable::contact, ResultTable::message,
                              ResultTable::note, ResultTable::callHistory, ResultTable::bookMark,
                              ResultTable::calender, ResultTable::faceTwitter}) {
      selectAllFlags_[static_cast<std::size_t>(table)] = false;
    }
  }
  selectedFilesNum_ = 0;
  recovredFilesNum = 0;
  progressPercent_ = 1;
  refreshTickCount();
}

void PRResultViewController::ScanThreadFinish() {
  app_.mainThread().runAndWait([this] { ScanFinishOnMainThread(); });
}

void PRResultViewController::ScanFinishOnMainThread() {
  progressPercent_ = 0;
  {
    std::lock_guard lock(mutex_);
    // the sixteen per-category counts; the list contents stay
    const std::uint64_t images = counters_.imagecount;
    const std::uint64_t movies = counters_.movCount;
    const std::int32_t live = counters_.BackUpFilesNum;
    const std::int32_t deleted = counters_.deleteeFilesNum;
    counters_ = ScanCounters{};
    counters_.imagecount = images;
    counters_.movCount = movies;
    counters_.BackUpFilesNum = live;
    counters_.deleteeFilesNum = deleted;
  }
  selectCategory(ResultTable::callHistory);
  app_.removeScanTemporaryFiles();
  if (observer_ != nullptr) observer_->scanFinished();
}

void PRResultViewController::releaseUIMemory() {
  // a backup scan still running stops at its next record; a memory-card
  // scan is stopped by its owner
  app_.requestStop();
  {
    std::lock_guard lock(mutex_);
    for (auto& list : lists_->records) list.clear();
    for (auto& shown : lists_->display) shown.clear();
    lists_->nextPostingIndex = 0;
  }
  // nothing is left to tick or to write
  selectedFilesNum_ = 0;
  recovredFilesNum = 0;
  refreshTickCount();
}

}  // namespace orvane
