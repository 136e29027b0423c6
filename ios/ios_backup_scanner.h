#pragma once

// The live extraction of one device backup folder: the manifest pass with
// the media step, the photo pass, and the steps that read contacts,
// messages, calls, notes, bookmarks and calendar events from the device's
// databases. Every step posts its records on the scan's event channel.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/backup_source.h"
#include "core/record.h"
#include "ios/encrypted_backup.h"
#include "ios/mbdb_reader.h"

namespace orvane {

class PhoneNameIndex;

class PRIOSBackupScanner {
 public:
  // `iOS6Version` chooses the iOS 6 statements first (the backup's own
  // system version is 6.x).
  PRIOSBackupScanner(ScanContext& ctx, std::uint8_t iOS6Version);
  ~PRIOSBackupScanner();
  PRIOSBackupScanner(const PRIOSBackupScanner&) = delete;
  PRIOSBackupScanner& operator=(const PRIOSBackupScanner&) = delete;

  // The manifest pass ("Manifest.db" or "Manifest.mbdb") handing the records
  // of the media domains to the media step; answers how many media records
  // were posted.
  std::size_t scanDirAnalyThread(const std::filesystem::path& folder);
  void GetMediaFileByNode(const PRTreeDirNode& node);
  // Every file of 50000 bytes or more, by path, for the results model to
  // classify by content.
  void scanPhotoAndVideoThread(const std::filesystem::path& folder);

  void scanContactThread(const std::filesystem::path& folder);
  void scanMessageThread(const std::filesystem::path& folder);
  void scanCallHistoryThread(const std::filesystem::path& folder);
  void scanNoteThread(const std::filesystem::path& folder);
  void scanBookMarkThread(const std::filesystem::path& folder);
  void scanCalenderThread(const std::filesystem::path& folder);

  // Copies a database with its "-wal" and "-shm" files into the scan's
  // private folder and folds the log into the copy there, so that rows
  // still in the log are read and the backup never changes. Answers the
  // copy's path; nothing (after a log line) for a file that is missing or
  // is not an SQLite database.
  std::optional<std::filesystem::path> commitDB(const std::filesystem::path& database);

  // Files the manifest names that the backup folder does not hold; they
  // are not listed.
  std::size_t missingFiles() const { return missingFiles_; }

  // Reads an encrypted backup with this unlocked keybag (kept by the
  // caller); the manifest pass collects the key of every file.
  void setDecryptor(const BackupDecryptor* decryptor) { decryptor_ = decryptor; }

  // The contact name for a phone number, from the contacts read so far.
  std::optional<std::string> getNameByPhoneNumber(std::string_view phoneNumber);

  // The backup file of a hashed name: directly in the folder (older
  // backups) or in the subfolder named by its first two digits (iOS 10 on).
  static std::optional<std::filesystem::path> locateBackupFile(const std::filesystem::path& folder,
                                                               std::string_view hashedName);

  // A backup file's plain bytes: the file itself, or in an encrypted backup
  // a decrypted copy in the private folder; nothing after a log line.
  std::optional<std::filesystem::path> plainCopyOf(const std::filesystem::path& backupFile);

 private:
  // getNameByPhoneNumber without a copy, valid until the next contacts are
  // read.
  std::optional<std::string_view> contactNameOf(std::string_view phoneNumber);
  void post(const char* eventName, RecordPtr record);
  void postProgress(std::int64_t value);
  std::size_t walkManifestDb(const std::filesystem::path& folder,
                             const std::filesystem::path& manifest);
  std::size_t walkManifestMbdb(const std::filesystem::path& folder,
                               const std::filesystem::path& manifest);
  void handleManifestRecord(PRTreeDirNode node, std::int64_t progress);
  // The manifest's key of an encrypted backup's file, by its hashed name.
  const EncryptedFileKey* encryptedFileKey(const std::filesystem::path& backupFile) const;
  // Puts the plain bytes of `source` (shown as `shown`) into the new file
  // `target`: a copy, or in an encrypted backup the decrypted content.
  bool copyPlain(const BackupFile& source, const std::filesystem::path& shown,
                 const std::filesystem::path& target, std::string& problem) const;

  ScanContext& ctx_;
  std::uint8_t iOS6Version_;
  std::size_t mediaPosted_ = 0;
  std::size_t missingFiles_ = 0;
  // backup files already listed as media (attachments are also named by
  // the manifest)
  std::unordered_set<std::string> listedMedia_;
  unsigned copies_ = 0;
  const BackupDecryptor* decryptor_ = nullptr;
  std::unordered_map<std::string, EncryptedFileKey> encryptedFiles_;  // by hashed name
  std::unique_ptr<PhoneNameIndex> names_;
  std::size_t namesIndexed_ = 0;
};

}  // namespace orvane
