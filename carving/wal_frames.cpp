#include "carving/wal_frames.h"

#include <bit>

namespace orvane::carving {

namespace {

constexpr std::size_t kLogHeaderSize = 32;
constexpr std::size_t kFrameHeaderSize = 24;

std::uint32_t bigEndian32(ByteSpan bytes, std::size_t at) {
  return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
         (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

}  // namespace

std::vector<WalFrame> walFrames(ByteSpan log) {
  std::vector<WalFrame> frames;
  if (log.size() < kLogHeaderSize) return frames;
  const std::uint32_t magic = bigEndian32(log, 0);
  if (magic != 0x377f0682 && magic != 0x377f0683) return frames;
  std::uint32_t pageSize = bigEndian32(log, 8);
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || pageSize > 65536 || !std::has_single_bit(pageSize)) return frames;
  const std::size_t frameSize = kFrameHeaderSize + pageSize;
  for (std::size_t at = kLogHeaderSize; log.size() - at >= frameSize; at += frameSize) {
    const std::uint32_t pageNumber = bigEndian32(log, at);
    if (pageNumber == 0) continue;
    frames.push_back({pageNumber, log.subspan(at + kFrameHeaderSize, pageSize)});
  }
  return frames;
}

}  // namespace orvane::carving
