#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "engine/end_finder.h"

namespace orvane::engine {

struct FoundFile {
  std::uint64_t start = 0;   // byte offset on the device
  std::uint64_t length = 0;  // bytes
  std::string extension;
  friend bool operator==(const FoundFile&, const FoundFile&) = default;
};

enum class ScanOutcome { completed, stopped, readError };

// Longest file a found-file record can describe (its length is 32-bit). A
// file whose own structure says it is longer is reported cut to this length
// and the scan goes on after its true end.
inline constexpr std::uint64_t kMaxFileLength = 0xFFFFFFFFu;

// One sequential pass over a byte range of a device or image: large reads, a
// header test at every 512-byte sector start, and for each file found its
// end taken from its own structure. Sectors inside a file being followed are
// not taken for new files, unless the file turns out not to be one.
class Scanner {
 public:
  using FoundCallback = std::function<void(const FoundFile&)>;
  using ProgressCallback = std::function<void(std::uint64_t done, std::uint64_t total)>;
  // A sector outside every file found that ends in the boot-sector mark
  // (0x55 0xAA): a volume may start there, deep in an image whose partition
  // table is gone. Called before any file after it is reported.
  using BootSectorCallback = std::function<void(std::uint64_t offset)>;

  explicit Scanner(std::span<const Format* const> formats);

  // Size of each read; tests use small ones to put block edges everywhere.
  void setReadBytes(std::size_t bytes) { readBytes_ = bytes; }

  ScanOutcome scan(int fd, std::uint64_t begin, std::uint64_t end, const FoundCallback& found,
                   const ProgressCallback& progress, const std::atomic<bool>& stop,
                   const BootSectorCallback& bootSector = {}) const;

  // The header test of every format whose signature is at this sector start.
  std::unique_ptr<EndFinder> testSector(ByteView head) const;

 private:
  struct Candidate {
    const Format* format;
    std::string_view bytes;
  };
  std::vector<Candidate> byFirstByte_[256];  // signatures at offset 0
  struct OffsetCandidate {
    const Format* format;
    Signature signature;
  };
  std::vector<OffsetCandidate> elsewhere_;  // signatures further into the sector
  // 1 MiB reads keep the buffer in the processor cache while its sectors
  // are tested; larger reads measured slower from the page cache.
  std::size_t readBytes_ = 1u << 20;
};

}  // namespace orvane::engine
