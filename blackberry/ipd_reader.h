#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "blackberry/blackberry_databases.h"
#include "blackberry/record_decoders.h"
#include "blackberry/record_walk.h"
#include "core/backup_source.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"

namespace orvane {

class FileWindow;

// Reads one IPD backup: checks its header, reads the database name table
// into the scan's `blackberryDatabaseArray`, then walks every record to the
// end of the file and hands the records of known databases to their
// decoder, posting the database's progress number after each.
class IpdReader {
 public:
  IpdReader(NotificationCenter& nc, PerScanLists& lists) : nc_(nc), lists_(lists), decoders_(nc) {}

  ScanOutcome scanBlackBerryBackUpThread(const std::filesystem::path& path);
  // The same walk over a file the caller has open already.
  ScanOutcome scanFile(FileWindow& file);
  // The same walk over a file already in memory.
  ScanOutcome scanBytes(std::span<const std::uint8_t> file);

  // The name of the first table entry with this index.
  std::optional<std::string> GetDataBaseNameByDatabaseIndex(std::int32_t index) const;

  // The 1, 2 or 4 bytes at `offset` as an unsigned little-endian number;
  // nothing when they are not all in the file.
  static std::optional<std::uint32_t> GetLitteEndianLengthwithHandle(
      std::span<const std::uint8_t> file, std::uint64_t offset, int length);

  // Where the walk stopped early, when it did.
  const WalkDamage& damage() const { return damage_; }

  // The read position: past the name table, then past each record.
  std::uint64_t bbOffSet = 0;
  // The scan's stop flag: set, the walk ends before the next record.
  const std::atomic<bool>* stopFlag = nullptr;
  // Held by the content source of a file this reader opens by path, as long
  // as records refer to content in it (the folder of an unpacked copy).
  std::shared_ptr<const void> keepAlive;
  // The 8-bit character set of message texts that are not UTF-8.
  void useTextCharset(std::string charset) { decoders_.useTextCharset(std::move(charset)); }

 private:
  // `File` is a MemoryFile or a FileWindow.
  template <class File>
  ScanOutcome read(File& file);
  template <class File>
  bool readNameTable(File& file, std::uint16_t databaseCount);

  NotificationCenter& nc_;
  PerScanLists& lists_;
  BlackBerryDecoders decoders_;
  // the decoder of each database index, made once from the name table
  std::vector<std::optional<BlackBerryDatabase>> routes_;
  WalkDamage damage_;
};

// The outcome for a file that is not a BlackBerry backup at all.
ScanOutcome notABlackBerryBackup(const std::string& why);

}  // namespace orvane
