#include "core/app_delegate.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace orvane {

namespace {

std::atomic<CorvelAppDelegate*> theController{nullptr};

std::string withoutPhonePunctuation(std::string_view number) {
  std::string cleaned;
  cleaned.reserve(number.size());
  for (char c : number) {
    if (c != '-' && c != '(' && c != ')' && c != ' ') cleaned.push_back(c);
  }
  return cleaned;
}

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

CorvelAppDelegate::CorvelAppDelegate(MainThreadDispatcher& mainThread) : mainThread_(mainThread) {
  CorvelAppDelegate* none = nullptr;
  theController.compare_exchange_strong(none, this);
}

CorvelAppDelegate::~CorvelAppDelegate() {
  waitForScanWorker();
  CorvelAppDelegate* self = this;
  theController.compare_exchange_strong(self, nullptr);
}

CorvelAppDelegate* CorvelAppDelegate::GetAppControllor() { return theController.load(); }

void CorvelAppDelegate::addBackupSource(std::unique_ptr<BackupSource> source) {
  sources_.push_back(std::move(source));
}

bool CorvelAppDelegate::ScanIOSBackFile(const std::string& path) {
  std::lock_guard lock(scanMutex_);
  if (scanRunning_) return false;
  if (scanBackFileThreader_.joinable()) scanBackFileThreader_.join();
  scanLists_ = std::make_shared<PerScanLists>();
  stopRequested_ = false;
  scanRunning_ = true;
  scanBackFileThreader_ =
      std::thread([this, path, charset = textCharset] { ScanIOSBackUpFilehand(path, charset); });
  return true;
}

void CorvelAppDelegate::waitForScanWorker() {
  std::thread worker;
  {
    std::lock_guard lock(scanMutex_);
    worker = std::move(scanBackFileThreader_);
  }
  if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
}

void CorvelAppDelegate::ScanIOSBackUpFilehand(const std::string& path, const std::string& charset) {
  std::shared_ptr<PerScanLists> lists = scanLists();
  if (!lists) lists = std::make_shared<PerScanLists>();

  ScanOutcome outcome;
  try {
    // private folders of scans that were killed hold copies of private
    // databases: they go before this scan makes its own
    std::error_code ignored;
    TempFolder::removeStale(std::filesystem::temp_directory_path(ignored));
    auto tempFolder = std::make_shared<TempFolder>();
    const std::filesystem::path tempPath = tempFolder->path();
    {
      std::lock_guard lock(scanMutex_);
      scanTempFolder_ = tempFolder;
    }
    ScanContext context(nc, *lists, tempPath, std::move(tempFolder));
    context.stopFlag = &stopRequested_;
    context.textCharset = charset;
    const std::filesystem::path source(path);
    auto reader = std::find_if(sources_.begin(), sources_.end(),
                               [&](const auto& s) { return s->accepts(source); });
    if (reader == sources_.end()) {
      std::error_code error;
      const bool readable = std::filesystem::exists(source, error);
      outcome.status =
          readable ? ScanOutcome::Status::kNotABackup : ScanOutcome::Status::kUnreadable;
      outcome.reason = readable ? "not a backup this program can read" : "no such file or folder";
    } else {
      outcome = (*reader)->scan(source, context);
    }
  } catch (const std::exception& error) {
    outcome.status = ScanOutcome::Status::kUnreadable;
    outcome.reason = error.what();
  }
  {
    std::lock_guard lock(scanMutex_);
    lastScanOutcome_ = outcome;
  }

  ScanThreadFinish();
  removeScanTemporaryFiles();
  removeSomeArray();
  scanRunning_ = false;
}

void CorvelAppDelegate::removeSomeArray() {
  std::shared_ptr<PerScanLists> lists = scanLists();
  if (!lists) return;
  // the database table stays: it is the BlackBerry reader's until the next scan
  lists->contactArray.clear();
  lists->contactInfoArray.clear();
  lists->contactImageArray.clear();
  lists->delContactArray.clear();
  lists->delContactValueArray.clear();
  lists->delUnKnowContactArray.clear();
  lists->messageArray.clear();
  lists->chatMessageArray.clear();
  lists->noteArray.clear();
  lists->noteValueArray.clear();
  lists->bookMarkArray.clear();
}

void CorvelAppDelegate::ScanThreadFinish() {
  if (scanEndListener_ != nullptr) scanEndListener_->ScanThreadFinish();
}

void CorvelAppDelegate::removeScanTemporaryFiles() {
  std::shared_ptr<TempFolder> folder;
  {
    std::lock_guard lock(scanMutex_);
    folder = std::move(scanTempFolder_);
  }
  // the folder is removed as `folder` goes, unless records still refer to
  // files in it (a ".bbb" archive's unpacked copy): then with the last of them
}

ScanOutcome CorvelAppDelegate::lastScanOutcome() const {
  std::lock_guard lock(scanMutex_);
  return lastScanOutcome_;
}

std::shared_ptr<PerScanLists> CorvelAppDelegate::scanLists() const {
  std::lock_guard lock(scanMutex_);
  return scanLists_;
}

std::optional<std::string> CorvelAppDelegate::getNameByPhoneNumber(
    std::string_view phoneNumber) const {
  std::shared_ptr<PerScanLists> lists = scanLists();
  if (!lists) return std::nullopt;
  const std::string wanted = lowered(withoutPhonePunctuation(phoneNumber));
  // a message or call without a number belongs to nobody
  if (wanted.empty()) return std::nullopt;
  for (const auto& contact : lists->contactArray) {
    if (contact->contactPhone.empty()) continue;
    const std::string phones = lowered(withoutPhonePunctuation(contact->contactPhone));
    if (phones.size() >= wanted.size() && phones.find(wanted) != std::string::npos) {
      return contact->contactName;
    }
  }
  return std::nullopt;
}

}  // namespace orvane
