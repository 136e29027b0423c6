#include "engine/scanner.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

namespace orvane::engine {
namespace {

constexpr std::uint64_t kSectorBytes = 512;
// Boot sectors of FAT and exFAT volumes (and MBRs) end in 0x55 0xAA.
constexpr std::size_t kBootMarkAt = 510;
// Progress is worth a report a few times a second, not per read.
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

// The file being followed.
struct OpenFile {
  std::unique_ptr<EndFinder> finder;
  std::uint64_t start = 0;
  std::uint64_t fed = 0;
  // First sector inside it where a header test passed: where the scan goes
  // back to if the file turns out not to be one.
  std::optional<std::uint64_t> firstHeaderInside;
  // Sectors from the header to here were tested while the file was open.
  std::uint64_t testedTo = 0;
};

// Reads `count` bytes at `offset`, whatever the device hands back per call.
// Unreadable stretches (bad sectors on a worn card) read as zeros so that
// the files around them are still found.
void readFully(int fd, std::byte* into, std::size_t count, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, into + done, count - done, static_cast<off_t>(offset + done));
    if (got > 0) {
      done += static_cast<std::size_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    // An error or an early end: step over one sector as zeros and go on.
    const std::size_t zeroed = std::min<std::size_t>(count - done, kSectorBytes);
    std::memset(into + done, 0, zeroed);
    done += zeroed;
  }
}

}  // namespace

Scanner::Scanner(std::span<const Format* const> formats) {
  for (const Format* format : formats) {
    for (const Signature& signature : format->signatures) {
      if (signature.offset == 0 && !signature.bytes.empty()) {
        byFirstByte_[static_cast<unsigned char>(signature.bytes.front())].push_back(
            {format, signature.bytes});
      } else {
        elsewhere_.push_back({format, signature});
      }
    }
  }
}

std::unique_ptr<EndFinder> Scanner::testSector(ByteView head) const {
  if (head.empty()) return nullptr;
  for (const Candidate& candidate : byFirstByte_[head.u8(0)]) {
    // the second byte inline first: most sectors fail there, without a call
    const bool secondFits =
        candidate.bytes.size() < 2 ||
        (head.has(1, 1) && head.u8(1) == static_cast<std::uint8_t>(candidate.bytes[1]));
    if (secondFits && head.matches(0, candidate.bytes)) {
      if (auto finder = candidate.format->test(head)) return finder;
    }
  }
  for (const OffsetCandidate& candidate : elsewhere_) {
    // as above, the first byte inline: a signature past the start ("ftyp")
    // is looked at in every sector
    const std::string_view bytes = candidate.signature.bytes;
    const std::size_t at = candidate.signature.offset;
    if (!bytes.empty() &&
        !(head.has(at, 1) && head.u8(at) == static_cast<std::uint8_t>(bytes.front()))) {
      continue;
    }
    if (head.matches(at, bytes)) {
      if (auto finder = candidate.format->test(head)) return finder;
    }
  }
  return nullptr;
}

ScanOutcome Scanner::scan(int fd, std::uint64_t begin, std::uint64_t end,
                          const FoundCallback& found, const ProgressCallback& progress,
                          const std::atomic<bool>& stop,
                          const BootSectorCallback& bootSector) const {
  std::vector<std::byte> buffer(std::max<std::size_t>(readBytes_, kSectorBytes) + kHeaderBytes);
  std::uint64_t base = begin;  // device offset of buffer[0]
  std::size_t held = 0;        // bytes of the buffer that hold data
  std::uint64_t pos = begin;   // next sector to test, or next byte to feed the open file
  std::optional<OpenFile> open;
  auto lastProgress = std::chrono::steady_clock::now();

  // Sector starts count from the start of the range (partitions start on a
  // sector, so this is the device's own sector grid).
  const auto sectorAtOrAfter = [begin](std::uint64_t offset) {
    return begin + (offset - begin + kSectorBytes - 1) / kSectorBytes * kSectorBytes;
  };
  const auto report = [&](const OpenFile& file, std::uint64_t length) {
    length = std::min({length, end - file.start, kMaxFileLength});
    if (length > 0) found({file.start, length, std::string(file.finder->extension())});
  };
  // Applies a final verdict on the open file and says where the scan goes
  // on: after the file's end, or after its header sector when it was not one,
  // passing over sectors inside it that were already tested and held nothing.
  const auto close = [&](const Verdict& verdict) {
    OpenFile& file = *open;
    std::uint64_t next = file.start + kSectorBytes;
    if (verdict.kind == Verdict::Kind::endsHere) {
      report(file, verdict.length);
      const std::uint64_t fileEnd =
          verdict.length > end - file.start ? end : file.start + verdict.length;
      next = std::max(next, sectorAtOrAfter(fileEnd));
    }
    if (!file.firstHeaderInside || *file.firstHeaderInside >= next) {
      next = std::max(
          next, file.firstHeaderInside ? *file.firstHeaderInside : sectorAtOrAfter(file.testedTo));
    }
    pos = std::min(next, end);
    open.reset();
  };

  for (;;) {
    if (stop.load(std::memory_order_relaxed)) return ScanOutcome::stopped;
    if (pos >= end) {
      if (!open) break;
      close(open->finder->finish(open->fed));
      continue;
    }
    const std::uint64_t heldEnd = base + held;
    // A header test wants a few KiB from its sector on; so does a sector
    // tested inside an open file. Refill before that runs short.
    if (pos < base || pos >= heldEnd || (pos + kHeaderBytes >= heldEnd && heldEnd < end)) {
      if (pos < base || pos > heldEnd) {
        held = 0;  // going back after a file that was not one, or past a file's end
      } else {
        held = static_cast<std::size_t>(heldEnd - pos);
        std::memmove(buffer.data(), buffer.data() + (pos - base), held);
      }
      base = pos;
      const std::size_t room = static_cast<std::size_t>(
          std::min<std::uint64_t>(buffer.size() - held, end - (base + held)));
      readFully(fd, buffer.data() + held, room, base + held);
      held += room;
      const auto now = std::chrono::steady_clock::now();
      if (now - lastProgress >= kProgressInterval) {
        lastProgress = now;
        progress(pos - begin, end - begin);
      }
      continue;
    }

    // Every sector handed to a test has its few KiB after it, except at the
    // very end of the range.
    const std::uint64_t usableEnd = heldEnd == end ? heldEnd : heldEnd - kHeaderBytes;
    const auto headAt = [&](std::uint64_t sector) {
      return ByteView(std::span<const std::byte>(buffer.data() + (sector - base),
                                                 static_cast<std::size_t>(heldEnd - sector)));
    };

    if (!open) {
      std::uint64_t sector = pos;
      for (; sector < usableEnd; sector += kSectorBytes) {
        const ByteView head = headAt(sector);
        if (bootSector && head.has(kBootMarkAt, 2) && head.u16be(kBootMarkAt) == 0x55AA) {
          bootSector(sector);
        }
        if (auto finder = testSector(head)) {
          open = OpenFile{std::move(finder), sector, 0, std::nullopt, sector + kSectorBytes};
          break;
        }
      }
      pos = sector;
      continue;
    }

    OpenFile& file = *open;
    const std::uint64_t blockStart = pos;
    const std::uint64_t blockEnd = usableEnd;
    const Verdict verdict = file.finder->feed(ByteView(std::span<const std::byte>(
        buffer.data() + (blockStart - base), static_cast<std::size_t>(blockEnd - blockStart))));
    file.fed += blockEnd - blockStart;
    pos = blockEnd;

    // Headers on sectors inside the file: remembered in case it turns out
    // not to be one, and taken at once where it may already have ended
    // (also when the finder has just settled on a later end: a PDF whose
    // search for updates ran over the next files).
    const bool mayHaveEnded = file.finder->tentativeEndBefore(file.fed).has_value();
    if (verdict.kind != Verdict::Kind::notOne && (!file.firstHeaderInside || mayHaveEnded)) {
      std::uint64_t testEnd = blockEnd;
      if (verdict.kind == Verdict::Kind::endsHere) {
        testEnd = std::min(testEnd, file.start + std::min(verdict.length, end - file.start));
      }
      for (std::uint64_t sector = std::max(sectorAtOrAfter(blockStart), file.start + kSectorBytes);
           sector < testEnd; sector += kSectorBytes) {
        if (!testSector(headAt(sector))) continue;
        const auto tentative = file.finder->tentativeEndBefore(sector - file.start);
        if (tentative) {
          report(file, *tentative);
          open.reset();
          pos = sector;
          break;
        }
        if (!file.firstHeaderInside) file.firstHeaderInside = sector;
        // Only the first header inside is needed unless the file may end at
        // one: each test makes an end finder, and a card with a header in
        // every sector would otherwise test every sector of every file.
        if (!mayHaveEnded) break;
      }
      if (!open) continue;
      file.testedTo = std::max(file.testedTo, testEnd);
    }
    if (verdict.kind != Verdict::Kind::goOn) {
      close(verdict);
      continue;
    }
    if (file.fed > kMaxFileLength) close(file.finder->finish(file.fed));
  }
  progress(end - begin, end - begin);
  return ScanOutcome::completed;
}

}  // namespace orvane::engine
