#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "blackberry/zip_layout.h"
#include "core/temp_folder.h"

struct zip_source;

namespace orvane {

// A Windows desktop backup (".bbb"): a zip archive whose "Databases" folder
// holds either one IPD file, "Databases.ipd", or one file per database
// ("1.dat" and its siblings). The archive is unpacked in process into a
// folder of its own inside the scan's private folder, so nothing another
// archive left behind is ever read. Records found in the unpacked copy
// refer to it: that folder goes when neither this object nor any holder of
// unpackedFolder() is left.
class BbbArchive {
 public:
  explicit BbbArchive(std::shared_ptr<const TempFolder> scanFolder)
      : scanFolder_(std::move(scanFolder)) {}
  BbbArchive(const BbbArchive&) = delete;
  BbbArchive& operator=(const BbbArchive&) = delete;

  // Unpacks the archive and answers what to read: "Databases.ipd" for the
  // IPD reader (which wins when both forms are present), or, with
  // `withcheckwinbbb` set, the "Databases" folder for the per-database
  // reader. Nothing, with `problem` set to one line, when the file is not
  // a readable zip archive or holds no database. The archive is read from
  // the file as it is unpacked, never held in memory whole.
  std::optional<std::filesystem::path> checkTheBackUpFile(const std::filesystem::path& archive,
                                                          bool& withcheckwinbbb,
                                                          std::string& problem);
  // The same for an archive already in memory.
  std::optional<std::filesystem::path> checkTheBackUpFile(std::span<const std::uint8_t> archive,
                                                          bool& withcheckwinbbb,
                                                          std::string& problem);

  // The folder the archive was unpacked into (empty before unpacking); the
  // readers' content sources hold it.
  const std::shared_ptr<const TempFolder>& unpackedFolder() const { return unpacked_; }

  // Entries not unpacked because their names would land outside the
  // folder, and entries that could not be read whole.
  const std::vector<std::string>& notes() const { return notes_; }

  // An archive whose databases declare more than this is not unpacked; nor
  // one whose declared sizes exceed the free space of the scan's folder.
  // No entry is unpacked past the size it declares.
  std::uint64_t maxUnpackedBytes = 64ull << 30;

 private:
  // Both forms end here; `source` (nothing when it could not be made, with
  // `sourceProblem` saying why) belongs to this call.
  std::optional<std::filesystem::path> check(zip_source* source, const std::string& sourceProblem,
                                             std::uint64_t archiveBytes, const ZipReadAt& readAt,
                                             bool& withcheckwinbbb, std::string& problem);
  bool unpack(zip_source* source, std::uint64_t archiveBytes, const ZipReadAt& readAt,
              std::string& problem);

  std::shared_ptr<const TempFolder> scanFolder_;
  std::shared_ptr<const TempFolder> unpacked_;
  std::filesystem::path unpackFolder_;
  std::vector<std::string> notes_;
};

}  // namespace orvane
