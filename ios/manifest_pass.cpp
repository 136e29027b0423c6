// The manifest pass: every backed-up file of the media domains, from
// "Manifest.db" (iOS 10 on) or "Manifest.mbdb" (older backups).

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "core/conversions.h"
#include "ios/backup_file_name.h"
#include "ios/backup_folder.h"
#include "ios/ios_backup_scanner.h"
#include "ios/sqlite_access.h"

namespace orvane {

namespace {

constexpr std::array<std::string_view, 6> kMediaDomains = {
    "CameraRollDomain",
    "MediaDomain",
    "HomeDomain",
    "AppDomain-com.facebook.Facebook",
    "AppDomain-com.facebook.Messenger",
    "AppDomain-com.atebits.Tweetie2",
};

bool isMediaDomain(std::string_view domain) {
  for (std::string_view media : kMediaDomains) {
    if (domain == media) return true;
  }
  return false;
}

// A file name inside the backup folder: 40 hex digits, nothing that could
// lead out of the folder.
bool isHashedName(std::string_view name) {
  if (name.size() != 40) return false;
  for (char c : name) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return true;
}

constexpr const char* kManifestFiles =
    "select fileID, domain, relativePath, flags, file from Files";
constexpr std::int64_t kRegularFile = 1;

}  // namespace

std::size_t PRIOSBackupScanner::scanDirAnalyThread(const std::filesystem::path& folder) {
  mediaPosted_ = 0;
  missingFiles_ = 0;
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return 0;
  const std::filesystem::path manifestDb = folder / "Manifest.db";
  const std::filesystem::path manifestMbdb = folder / "Manifest.mbdb";
  if (std::filesystem::is_regular_file(manifestDb, error) &&
      !std::filesystem::is_regular_file(manifestMbdb, error)) {
    walkManifestDb(folder, manifestDb);
  } else if (std::filesystem::is_regular_file(manifestMbdb, error)) {
    walkManifestMbdb(folder, manifestMbdb);
  }
  return mediaPosted_;
}

void PRIOSBackupScanner::handleManifestRecord(PRTreeDirNode node, std::int64_t progress) {
  if (!isMediaDomain(node.fileDomain)) return;
  postProgress(progress);
  GetMediaFileByNode(node);
}

std::size_t PRIOSBackupScanner::walkManifestMbdb(const std::filesystem::path& folder,
                                                 const std::filesystem::path& manifest) {
  MbdbFileSource source(BackupFile::open(manifest));
  if (!source.isOpen()) return 0;
  MbdbReader reader(source);
  const std::uint64_t size = source.size();
  std::size_t records = 0;
  const bool magicFound =
      reader.walk([&](const MbdbReader::RawRecord& raw, std::uint64_t position) {
        ++records;
        PRTreeDirNode node;
        node.fileDomain = FieldConversions::GetStringFormChar(raw.domain);
        node.filePath = FieldConversions::GetStringFormChar(raw.path);
        // the name is made from the bytes as stored, whatever their encoding
        constexpr std::uint16_t kFileTypeBits = 0xF000;
        constexpr std::uint16_t kRegularFileType = 0x8000;
        if (auto name = backupFileName(raw.domain, raw.path)) {
          node.fileKey = (folder / *name).string();
          if ((raw.mode & kFileTypeBits) == kRegularFileType &&
              openHashedBackupFile(folder, *name).file.state() == BackupFile::State::missing) {
            ++missingFiles_;
            return;
          }
          // the record's class byte says which class key wraps the file's
          // key; the key field's own first four bytes are not that class
          if (decryptor_ != nullptr && raw.encryptionKey.size() > 4) {
            EncryptedFileKey entry;
            for (int shift = 0; shift < 32; shift += 8) {
              entry.classAndWrappedKey.push_back(
                  static_cast<std::uint8_t>(std::uint32_t{raw.protectionClass} >> shift));
            }
            entry.classAndWrappedKey.insert(entry.classAndWrappedKey.end(),
                                            raw.encryptionKey.begin() + 4, raw.encryptionKey.end());
            entry.plainSize = raw.size;
            encryptedFiles_[*name] = std::move(entry);
          }
        }
        const auto progress = size == 0 ? 0 : static_cast<std::int64_t>(position * 20 / size);
        handleManifestRecord(std::move(node), progress);
      });
  if (magicFound && reader.truncated()) {
    std::fprintf(stderr, "%s: the last record is cut short at byte %llu\n", manifest.c_str(),
                 static_cast<unsigned long long>(source.position()));
  }
  return records;
}

std::size_t PRIOSBackupScanner::walkManifestDb(const std::filesystem::path& folder,
                                               const std::filesystem::path& manifest) {
  std::optional<std::filesystem::path> readable;
  if (decryptor_ == nullptr) {
    readable = commitDB(manifest);
  } else {
    // the manifest's own key is in Manifest.plist, its size nowhere: the
    // padding ends it
    const BackupFile source = BackupFile::open(manifest);
    const std::filesystem::path copy = ctx_.tempFolder / "Manifest.db";
    std::string problem;
    if (!decryptor_->manifestKey()) {
      problem = "Manifest.plist holds no key for it";
    } else if (source.opened() && BackupDecryptor::decryptTo(source, *decryptor_->manifestKey(),
                                                             std::nullopt, copy, problem)) {
      readable = copy;
    }
    if (!readable)
      std::fprintf(stderr, "%s: cannot decrypt: %s\n", manifest.c_str(), problem.c_str());
  }
  if (!readable) return 0;
  const auto db = SqliteDatabase::openReadOnly(*readable);
  if (!db) return 0;

  std::int64_t total = 0;
  {
    SqliteStatement count(*db, "select count(*) from Files");
    if (count.step()) total = count.decimal(0).value_or(0);
  }
  SqliteStatement rows(*db, kManifestFiles);
  std::size_t records = 0;
  while (!ctx_.stopRequested() && rows.step()) {
    ++records;
    const auto fileID = rows.text(0);
    if (!fileID || !isHashedName(*fileID)) continue;
    if (rows.decimal(3).value_or(kRegularFile) != kRegularFile) continue;  // folders, links
    if (decryptor_ != nullptr) {
      if (auto entry = encryptedFileKeyOf(rows.blob(4))) {
        std::string name = *fileID;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        encryptedFiles_[std::move(name)] = std::move(*entry);
      }
    }
    PRTreeDirNode node;
    node.fileDomain = rows.text(1).value_or("");
    node.filePath = rows.text(2).value_or("");
    // a file that is missing (a partial or interrupted backup) is counted,
    // not listed; one that leads out of the backup is not listed either
    const HashedBackupFile found = openHashedBackupFile(folder, *fileID);
    if (found.file.state() == BackupFile::State::missing) ++missingFiles_;
    if (!found.file.opened()) continue;
    node.fileKey = (folder / found.relative).string();
    const auto progress =
        total <= 0 ? 0 : static_cast<std::int64_t>(records) * 20 / std::max<std::int64_t>(total, 1);
    handleManifestRecord(std::move(node), std::min<std::int64_t>(progress, 20));
  }
  return records;
}

}  // namespace orvane
