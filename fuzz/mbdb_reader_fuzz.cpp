// Bytes as a "Manifest.mbdb" manifest: every record is walked and named.

#include <cstddef>
#include <cstdint>
#include <span>

#include "ios/backup_file_name.h"
#include "ios/mbdb_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvane::walkMbdbBytes(std::span<const std::uint8_t>(data, size),
                        [](const orvane::MbdbReader::RawRecord& record, std::uint64_t) {
                          (void)orvane::backupFileName(record.domain, record.path);
                        });
  return 0;
}
