#include "engine/jpeg_join.h"

#include <unistd.h>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include "engine/byte_view.h"

namespace orvane::engine {
namespace {

struct Decoder {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  std::jmp_buf leave;
  std::size_t size;
};

// A warning ("corrupt JPEG data", "premature end") is as final as an error
// here: the picture is not whole.
[[noreturn]] void leave(j_common_ptr info) {
  std::longjmp(reinterpret_cast<Decoder*>(info)->leave, 1);
}
void onMessage(j_common_ptr info, int level) {
  if (level < 0) leave(info);
}

bool readAt(int fd, std::uint64_t offset, std::byte* into, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, into + done, count - done, static_cast<off_t>(offset + done));
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

// Entropy-coded data holds 0xFF only before 0x00 (a stuffed byte), a restart
// marker, the end marker or another 0xFF: the fill before a marker.
bool isEntropyMarker(std::uint8_t next) {
  return next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xD9 || next == 0xFF;
}

// Where the first scan's data starts (after the SOS segment), or 0.
std::size_t scanDataStart(ByteView jpeg) {
  std::size_t at = 2;
  while (jpeg.has(at, 4) && jpeg.u8(at) == 0xFF) {
    const std::uint8_t code = jpeg.u8(at + 1);
    const std::size_t next = at + 2 + jpeg.u16be(at + 2);
    if (code == 0xDA) return next;
    at = next;
  }
  return 0;
}

// Whether the headers before the first scan set a restart interval (DRI)
// other than 0: only then does entropy-coded data hold restart markers.
bool hasRestartInterval(ByteView jpeg) {
  std::size_t at = 2;
  while (jpeg.has(at, 6) && jpeg.u8(at) == 0xFF && jpeg.u8(at + 1) != 0xDA) {
    if (jpeg.u8(at + 1) == 0xDD && jpeg.u16be(at + 4) != 0) return true;
    at += 2 + jpeg.u16be(at + 2);
  }
  return false;
}

// The number (0 to 7) of the last restart marker in `bytes`, or -1.
int lastRestart(ByteView bytes) {
  for (std::size_t at = bytes.size(); at >= 2; --at) {
    const std::uint8_t code = bytes.u8(at - 1);
    if (bytes.u8(at - 2) == 0xFF && code >= 0xD0 && code <= 0xD7) return code - 0xD0;
  }
  return -1;
}

// Could a second fragment start with this cluster? Its markers must be
// those of entropy-coded data, the first restart marker must follow the
// first fragment's last one, and a cluster of zeros is empty space.
bool mayContinue(ByteView cluster, int restartBefore) {
  bool allZero = true;
  bool firstRestart = true;
  for (std::size_t at = 0; at < cluster.size(); ++at) {
    const std::uint8_t byte = cluster.u8(at);
    allZero = allZero && byte == 0;
    if (byte != 0xFF || at + 1 >= cluster.size()) continue;
    const std::uint8_t next = cluster.u8(at + 1);
    if (!isEntropyMarker(next)) return false;
    if (next >= 0xD0 && next <= 0xD7 && firstRestart) {
      firstRestart = false;
      if (restartBefore >= 0 && next - 0xD0 != (restartBefore + 1) % 8) return false;
    }
    if (next == 0xD9) break;  // the picture ends in this cluster
  }
  return !allZero;
}

}  // namespace

JpegCheck checkJpeg(std::span<const std::byte> jpeg) {
  Decoder decoder{};
  decoder.size = jpeg.size();
  decoder.info.err = jpeg_std_error(&decoder.errors);
  decoder.errors.error_exit = leave;
  decoder.errors.emit_message = onMessage;
  jpeg_create_decompress(&decoder.info);
  JpegCheck check;
  if (setjmp(decoder.leave) == 0) {
    jpeg_mem_src(&decoder.info, reinterpret_cast<const unsigned char*>(jpeg.data()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&decoder.info, TRUE);
    // Every coefficient is still entropy-decoded, which is what tells good
    // data from bad; pixels at an eighth of the size keep both the work and
    // the memory small (the whole coefficient image of a photo is megabytes).
    // A progressive picture holds its whole coefficient image: a header
    // that claims a giant one is not worth the memory.
    decoder.info.mem->max_memory_to_use = 256L << 20;
    decoder.info.scale_num = 1;
    decoder.info.scale_denom = 8;
    decoder.info.dct_method = JDCT_IFAST;
    decoder.info.do_fancy_upsampling = FALSE;
    decoder.info.do_block_smoothing = FALSE;
    jpeg_start_decompress(&decoder.info);
    // from libjpeg's own pool, which a jump out of the decoder cannot leak
    JSAMPARRAY row = (*decoder.info.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&decoder.info), JPOOL_IMAGE,
        decoder.info.output_width * static_cast<JDIMENSION>(decoder.info.output_components), 1);
    while (decoder.info.output_scanline < decoder.info.output_height) {
      jpeg_read_scanlines(&decoder.info, row, 1);
    }
    jpeg_finish_decompress(&decoder.info);
    check.clean = true;
  }
  if (!check.clean && decoder.info.src != nullptr) {
    check.badFrom = decoder.size - decoder.info.src->bytes_in_buffer;
  }
  jpeg_destroy_decompress(&decoder.info);
  return check;
}

namespace {

// Where the first fragment may end, with the number of the last restart
// marker before there.
struct FirstPiece {
  std::uint64_t end;
  int restartBefore;
};

// One search for a second fragment, with what it may still spend.
struct ContinuationSearch {
  int fd;
  std::uint64_t start;               // of the picture
  std::span<const std::byte> first;  // the bytes found from `start` on
  std::uint64_t end;                 // of the scanned range
  const JoinLimits& limits;
  const FileAt& fileAt;
  std::chrono::steady_clock::time_point began;
  unsigned decodes = 0;

  bool spent() const {
    return decodes >= limits.decodes || std::chrono::steady_clock::now() - began > limits.time;
  }

  // The clusters a file of `length` bytes takes, in bytes.
  std::uint64_t clustersOf(std::uint64_t length) const {
    const std::uint64_t cluster = limits.clusterBytes;
    return (std::max<std::uint64_t>(length, 1) + cluster - 1) / cluster * cluster;
  }

  // Cluster by cluster from `from`, the first continuation that joined to
  // one of `pieces` decodes cleanly to the end of the picture. Other files
  // on the way are passed over whole.
  std::optional<std::vector<DeviceRun>> find(const std::vector<FirstPiece>& pieces,
                                             std::uint64_t from, std::uint64_t searchEnd) {
    const std::uint64_t cluster = limits.clusterBytes;
    std::vector<std::byte> piece(static_cast<std::size_t>(cluster));
    std::vector<std::byte> rest;
    for (std::uint64_t next = from; next + cluster <= searchEnd; next += cluster) {
      if (spent()) return std::nullopt;
      if (const auto other = fileAt(next)) {
        next += clustersOf(*other) - cluster;
        continue;
      }
      if (!readAt(fd, next, piece.data(), piece.size())) break;
      if (!mayContinue(ByteView(piece), -1)) continue;
      const std::optional<std::uint64_t> restEnd = followRest(next, piece, rest);
      if (!restEnd) continue;
      for (const FirstPiece& candidate : pieces) {
        if (candidate.end >= next || decodes >= limits.decodes ||
            !mayContinue(ByteView(rest).first(static_cast<std::size_t>(cluster)),
                         candidate.restartBefore)) {
          continue;
        }
        ++decodes;
        std::vector<std::byte> attempt(
            first.begin(), first.begin() + static_cast<std::ptrdiff_t>(candidate.end - start));
        attempt.insert(attempt.end(), rest.begin(), rest.end());
        if (checkJpeg(attempt).clean) {
          return std::vector<DeviceRun>{{start, candidate.end - start}, {next, *restEnd - next}};
        }
      }
    }
    return std::nullopt;
  }

  // Follows a continuation that starts at `next` (its first cluster is in
  // `piece`) to its end marker, cluster by cluster, into `rest`: where it
  // ends, or none when it breaks or runs too long first.
  std::optional<std::uint64_t> followRest(std::uint64_t next, std::vector<std::byte>& piece,
                                          std::vector<std::byte>& rest) const {
    const std::uint64_t cluster = limits.clusterBytes;
    rest.clear();
    for (std::uint64_t at = next; at + cluster <= end && at - next < limits.longestRest;
         at += cluster) {
      if (at != next && !readAt(fd, at, piece.data(), piece.size())) return std::nullopt;
      const ByteView view(piece);
      std::optional<std::uint64_t> restEnd;
      for (std::size_t i = view.findByte(0xFF); i != ByteView::npos && i + 1 < view.size();
           i = view.findByte(0xFF, i + 1)) {
        const std::uint8_t code = view.u8(i + 1);
        if (code == 0xD9) {
          restEnd = at + i + 2;
          break;
        }
        if (!isEntropyMarker(code)) return std::nullopt;
      }
      const std::size_t used = restEnd ? static_cast<std::size_t>(*restEnd - at) : piece.size();
      rest.insert(rest.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(used));
      if (restEnd) return restEnd;
    }
    return std::nullopt;
  }
};

}  // namespace

std::optional<std::vector<DeviceRun>> joinJpegFragments(int fd, std::uint64_t start,
                                                        std::uint64_t length, std::uint64_t end,
                                                        const JoinLimits& limits,
                                                        const FileAt& fileAt) {
  constexpr std::uint64_t kLargestPicture = 64u << 20;
  if (length < 4 || length > kLargestPicture || limits.clusterBytes == 0) return std::nullopt;
  std::vector<std::byte> first(static_cast<std::size_t>(length));
  if (!readAt(fd, start, first.data(), first.size())) return std::nullopt;
  const std::size_t dataStart = scanDataStart(ByteView(first));
  if (dataStart == 0) return std::nullopt;
  const bool restarts = hasRestartInterval(ByteView(first));
  const auto pieceEndingAt = [&](std::uint64_t pieceEnd) {
    // without restart markers there is nothing to look back for (a walk
    // back over the whole first piece, for every candidate end)
    const ByteView head = ByteView(first).first(static_cast<std::size_t>(pieceEnd - start));
    return FirstPiece{pieceEnd, restarts ? lastRestart(head.from(dataStart)) : -1};
  };
  ContinuationSearch search{
      fd, start, first, end, limits, fileAt, std::chrono::steady_clock::now()};
  const std::uint64_t cluster = limits.clusterBytes;

  // Most often the data between two fragments is another file, and the
  // structure already stopped where that file's header is: the first
  // fragment ends there, and the picture, cut short, cannot be whole. One
  // that ends in its end marker may be whole, and is decoded below.
  // The search goes on after that file.
  const std::uint64_t cutAt = start + length;
  const bool endMarkerLast = ByteView(first).u16be(first.size() - 2) == 0xFFD9;
  if (!endMarkerLast && cutAt % cluster == 0 && cutAt - start > dataStart) {
    if (const auto between = fileAt(cutAt)) {
      if (auto runs = search.find({pieceEndingAt(cutAt)}, cutAt + search.clustersOf(*between),
                                  std::min(end, cutAt + limits.searchBytes))) {
        return runs;
      }
    }
  }

  const JpegCheck check = checkJpeg(first);
  if (check.clean) return std::nullopt;
  // The first fragment ends on a cluster boundary no later than where the
  // structure broke, and near where the decoder first choked: a little
  // before when it ran out of data, a little after on foreign bytes (which
  // may pass for entropy-coded data for a while). The boundaries around
  // that point, the latest first.
  const std::uint64_t badAt = start + std::min<std::uint64_t>(check.badFrom, length);
  const std::uint64_t badCluster = badAt / cluster * cluster;
  const std::uint64_t highest =
      std::min((start + length) / cluster * cluster, badCluster + cluster);
  const std::uint64_t lowest = badCluster - std::min<std::uint64_t>(badCluster, 3 * cluster);
  std::vector<FirstPiece> pieces;
  constexpr std::size_t kMostCandidates = 8;
  for (std::uint64_t firstEnd = highest;
       firstEnd > start + dataStart && firstEnd >= lowest && pieces.size() < kMostCandidates;
       firstEnd -= cluster) {
    pieces.push_back(pieceEndingAt(firstEnd));
  }
  if (pieces.empty()) return std::nullopt;
  return search.find(pieces, pieces.back().end + cluster,
                     std::min(end, highest + limits.searchBytes));
}

}  // namespace orvane::engine
