#pragma once

// One file found by the raw-recovery engine on a card or disk.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/engine_abi.h"
#include "core/record.h"

namespace orvane {

class PRScanListNode : public PRRecord {
 public:
  PRScanListNode();
  PRScanListNode(const PRScanListNode&) = delete;
  PRScanListNode& operator=(const PRScanListNode&) = delete;

  const char* className() const override { return "PRScanListNode"; }
  void visitFields(FieldVisitor& v) const override;

  // The node's own copy of the engine record; its name points into
  // `c_pFileName`, which the node owns.
  _rec_file_ele* getfile() { return &fileinfo; }
  const _rec_file_ele* getfile() const { return &fileinfo; }
  void setfile(const _rec_file_ele& engineRecord);

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
  _rec_file_ele fileinfo{};
  std::vector<char> c_pFileName;
};

}  // namespace orvane
