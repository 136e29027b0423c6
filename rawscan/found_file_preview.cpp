#include "rawscan/found_file_preview.h"

#include <new>

#include "rawscan/disk_table.h"
#include "rawscan/engine_file_copier.h"

namespace orvane {

std::optional<std::vector<std::byte>> readFoundFileBytes(const RawEngine& rawEngine,
                                                         std::string_view diskName,
                                                         const PRScanListNode& node,
                                                         std::size_t largestBytes) {
  const bb_export_table* engine = rawEngine.engineTable();
  if (engine == nullptr || engine->readFoundFile == nullptr) return std::nullopt;
  // The engine fills exactly the record's length; the buffer is sized by
  // that length, whatever the displayed size says.
  EngineFileRecord record(node);
  const _rec_file_ele& file = *record.get();
  if (file.file_len == 0 || file.file_len > largestBytes) return std::nullopt;
  std::vector<std::byte> bytes;
  try {
    bytes.resize(file.file_len);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  if (engine->readFoundFile(findDisk(rawEngine, diskName), bytes.data(), record.get()) != 0)
    return std::nullopt;
  return bytes;
}

}  // namespace orvane
