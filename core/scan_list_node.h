#pragma once

// One file found by the raw-recovery engine on a card or disk.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/content_ref.h"
#include "core/record.h"

namespace orvane {

// Where the engine found a file: its first byte on the device, its length
// and the name the engine proposed (extension included).
struct FoundFileExtent {
  std::uint64_t file_start = 0;
  std::uint32_t file_len = 0;
  std::string pFileName;
  // A file joined from fragments: its runs on the device, in order, adding
  // up to file_len. Empty for a file in one piece.
  std::vector<ContentRun> runs;
};

class PRScanListNode : public PRRecord {
 public:
  const char* className() const override { return "PRScanListNode"; }
  void visitFields(FieldVisitor& v) const override;

  const FoundFileExtent& getfile() const { return fileinfo; }
  // Keeps the extent; a name longer than any path (4096 bytes) is cut, and
  // a name ends at its first NUL. Runs that do not add up to the length
  // are dropped.
  void setfile(std::uint64_t fileStart, std::uint32_t fileLength, std::string_view proposedName,
               std::vector<ContentRun> runs = {});

  std::string nodeName;
  std::string nodeSizeString;
  std::uint64_t fileSizeNumber = 0;
  std::string fileType;  // "Image", "Video", "Audio", "Archive" or "Document"
  std::optional<std::string> createTime;
  std::optional<std::string> modifyTime;
  std::optional<std::string> validaty;
  std::optional<std::string> bDeleted;
  std::uint8_t bMarked = 0;

 private:
  FoundFileExtent fileinfo;
};

}  // namespace orvane
