#include "rawscan/engine_file_copier.h"

#include <array>
#include <cstring>
#include <system_error>

#include "rawscan/disk_table.h"

namespace orvane {

EngineFileRecord::EngineFileRecord(const PRScanListNode& node) {
  const FoundFileExtent& file = node.getfile();
  name_.assign(file.pFileName.begin(), file.pFileName.end());
  name_.push_back('\0');
  record_.file_start = file.file_start;
  record_.file_len = file.file_len;
  record_.file_name_len = static_cast<std::uint32_t>(file.pFileName.size());
  record_.pFileName = name_.data();
  record_.journal_file = nullptr;
}

bool EngineFileCopier::copyFoundFile(const PRScanListNode& node,
                                     const std::filesystem::path& target,
                                     std::string& problem) const {
  const std::string targetText = target.string();
  // The engine takes the path in a fixed buffer; a path that does not fit
  // with its NUL is refused rather than cut, which would write elsewhere.
  if (targetText.size() + 1 > BB_RECOVER_PATH_CAPACITY) {
    problem = "path too long for the engine: " + targetText;
    return false;
  }
  const bb_export_table* engine = engine_.engineTable();
  if (engine == nullptr || engine->recoverFile == nullptr) {
    problem = "no recovery engine is loaded: " + targetText + " was not copied";
    return false;
  }
  std::array<char, BB_RECOVER_PATH_CAPACITY> targetPath{};
  std::memcpy(targetPath.data(), targetText.data(), targetText.size());
  EngineFileRecord record(node);
  engine->recoverFile(targetPath.data(), findDisk(engine_, diskName_), record.get());
  std::error_code ec;
  if (!std::filesystem::exists(target, ec)) {
    problem = "the engine did not write " + targetText;
    return false;
  }
  return true;
}

}  // namespace orvane
