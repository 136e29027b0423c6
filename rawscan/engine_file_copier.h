#pragma once

// Found files handed back to the engine: its record of a file, and the
// copier export uses to have the engine write a found file out.

#include <string>
#include <vector>

#include "core/found_file_copier.h"
#include "core/scan_list_node.h"
#include "engine/engine_abi.h"
#include "rawscan/raw_engine.h"

namespace orvane {

// The engine's record of a found file, with its own copy of the name: the
// engine may keep the name pointer for the length of a call only.
class EngineFileRecord {
 public:
  explicit EngineFileRecord(const PRScanListNode& node);
  EngineFileRecord(const EngineFileRecord&) = delete;
  EngineFileRecord& operator=(const EngineFileRecord&) = delete;
  _rec_file_ele* get() { return &record_; }

 private:
  std::vector<char> name_;
  std::vector<bb_file_run> runs_;
  _RecordList runList_{};
  _rec_file_ele record_{};
};

class EngineFileCopier final : public FoundFileCopier {
 public:
  // `diskName` is the disk or image the files were found on; a name the
  // disk table does not know makes the engine copy from the device it
  // scanned last.
  EngineFileCopier(const RawEngine& engine, std::string diskName)
      : engine_(engine), diskName_(std::move(diskName)) {}

  // The engine writes to a hidden temporary name in the target's folder;
  // the complete file is then renamed to `target`, never over a file there.
  bool copyFoundFile(const PRScanListNode& node, const std::filesystem::path& target,
                     std::string& problem) const override;

  // ".orvane-PID-N.part" beside `target`.
  static std::filesystem::path temporaryNameFor(const std::filesystem::path& target);
  // Renames unless `to` exists; 0 or the error number.
  static int renameWithoutReplacing(const std::filesystem::path& from,
                                    const std::filesystem::path& to);

 private:
  const RawEngine& engine_;
  std::string diskName_;
};

}  // namespace orvane
