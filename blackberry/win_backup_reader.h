#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "blackberry/record_decoders.h"
#include "core/notification_center.h"

namespace orvane {

class FileWindow;

// Reads the per-database form of a Windows backup: a folder of files that
// each carry the IPD header and one database, whose name decides the
// decoder of every record in the file (the records' own database index is
// not used). Posts after every record the share of the folder's bytes
// read (of the file's, for a file read alone).
class WinBackupReader {
 public:
  explicit WinBackupReader(NotificationCenter& nc) : nc_(nc), decoders_(nc) {}

  // Reads every database file of the folder in name order ("2.dat" before
  // "10.dat"), skipping hidden entries; answers how many carried the IPD
  // header.
  std::size_t scanBlackBerryWinBackUpThread(const std::filesystem::path& folder);

  // Reads one file; false when it cannot be read or lacks the IPD header.
  // A file of a database no decoder knows gives no record.
  bool AnalyWinbackupfilePath(const std::filesystem::path& file);
  // The same over a file the caller has open already.
  bool scanDatabaseFile(FileWindow& file);
  // The same over a file already in memory.
  bool scanDatabaseBytes(std::span<const std::uint8_t> file);

  // The scan's stop flag: set, the walk ends before the next record.
  const std::atomic<bool>* stopFlag = nullptr;

  // Lines saying where files were cut short or damaged.
  const std::vector<std::string>& damageNotes() const { return damageNotes_; }

  // The read position in the file being read.
  std::uint64_t bbOffSet = 0;
  // Held by the content sources of the files read, as long as records refer
  // to content in them (the folder of an unpacked copy).
  std::shared_ptr<const void> keepAlive;
  // The 8-bit character set of message texts that are not UTF-8.
  void useTextCharset(std::string charset) { decoders_.useTextCharset(std::move(charset)); }

 private:
  // `File` is a MemoryFile or a FileWindow.
  template <class File>
  bool read(File& file);
  std::string where() const;

  NotificationCenter& nc_;
  BlackBerryDecoders decoders_;
  std::filesystem::path currentFile_;
  std::vector<std::string> damageNotes_;
  // While a folder is read: the bytes of all its files and of the files
  // read before the one in hand.
  std::uint64_t folderBytes_ = 0;
  std::uint64_t bytesBefore_ = 0;
};

}  // namespace orvane
