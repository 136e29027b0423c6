// OLE2 compound files (DOC, XLS, PPT, and MSI or MSG alike): the header lists
// the sectors of the allocation table (FAT); the file is as long as its last
// sector in use. The first directory sector holds the main stream names,
// which tell a Word document from a workbook or a presentation.
#include <string>

#include "engine/offset_follower.h"

namespace orvane::engine {
namespace {

constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kLastRegularSector = 0xFFFFFFFA;
// The header holds the first 109 FAT sector numbers itself.
constexpr std::uint32_t kHeaderFatSlots = 109;

enum Tag : std::uint32_t { kFatSector = 0, kDifatSector = 1, kDirectory = 2 };

class Ole2End final : public OffsetFollower {
 public:
  Ole2End(ByteView header)
      : sectorShift_(header.u16le(30)),
        fatSectors_(header.u32le(44)),
        difatSectorsDeclared_(header.u32le(72)) {
    const std::uint32_t sectorBytes = 1u << sectorShift_;
    extendTo(sectorBytes);
    const std::uint32_t inHeader = std::min(fatSectors_, kHeaderFatSlots);
    for (std::uint32_t i = 0; i < inHeader; ++i) requestFat(i, header.u32le(76 + 4 * i));
    listed_ = inHeader;
    if (fatSectors_ > kHeaderFatSlots) requestSector(header.u32le(68), kDifatSector);
    requestSector(header.u32le(48), kDirectory);
  }

  std::string_view extension() const override { return extension_; }

 private:
  std::uint32_t sectorBytes() const { return 1u << sectorShift_; }
  std::uint64_t sectorOffset(std::uint32_t sector) const {
    return (std::uint64_t{sector} + 1) << sectorShift_;  // the header fills sector -1
  }
  void requestSector(std::uint32_t sector, std::uint32_t tag) {
    if (sector > kLastRegularSector) {
      fail();
      return;
    }
    request(sectorOffset(sector), sectorBytes(), tag);
  }
  // The FAT sector's place in the table rides in the tag's upper bits.
  void requestFat(std::uint32_t ordinal, std::uint32_t sector) {
    if (ordinal >= (1u << 24)) {
      fail();
      return;
    }
    if (sector > kLastRegularSector) {
      fail();
      return;
    }
    request(sectorOffset(sector), sectorBytes(), kFatSector | (ordinal << 8));
  }

  void onRange(std::uint32_t tag, std::uint64_t, ByteView bytes) override {
    const std::uint32_t perSector = sectorBytes() / 4;
    switch (tag & 0xFF) {
      case kFatSector: {
        const std::uint64_t first = std::uint64_t{tag >> 8} * perSector;
        for (std::uint32_t i = 0; i < perSector; ++i) {
          if (bytes.u32le(4 * i) != kFreeSector)
            extendTo(sectorOffset(static_cast<std::uint32_t>(first + i)) + sectorBytes());
        }
        break;
      }
      case kDifatSector: {
        // Further FAT sector numbers, then the next DIFAT sector.
        for (std::uint32_t i = 0; i + 1 < perSector && listed_ < fatSectors_; ++i) {
          requestFat(listed_++, bytes.u32le(4 * i));
        }
        const std::uint32_t next = bytes.u32le(4 * (perSector - 1));
        // The chain ends where the header's count of DIFAT sectors says,
        // and a sector seen before is not followed again (the follower
        // hands no range over twice), so a chain that loops ends.
        if (listed_ < fatSectors_ && next != kEndOfChain && next != kFreeSector &&
            ++difatSectors_ < difatSectorsDeclared_) {
          requestSector(next, kDifatSector);
        }
        break;
      }
      case kDirectory:
        learnKind(bytes);
        break;
      default:
        break;
    }
  }

  // Directory entries are 128 bytes: a UTF-16 name and its byte length.
  void learnKind(ByteView sector) {
    for (std::size_t entry = 0; sector.has(entry * 128, 128); ++entry) {
      const ByteView record = sector.from(entry * 128);
      const std::size_t nameBytes = std::min<std::size_t>(record.u16le(64), 64);
      std::string name;
      for (std::size_t i = 0; i + 2 <= nameBytes; i += 2) {
        const std::uint16_t c = record.u16le(i);
        if (c == 0) break;
        name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
      }
      if (name == "WordDocument") extension_ = "doc";
      if (name == "Workbook" || name == "Book") extension_ = "xls";
      if (name == "PowerPoint Document") extension_ = "ppt";
      if (name.starts_with("__substg1.0_")) extension_ = "msg";
    }
  }

  std::uint16_t sectorShift_;
  std::uint32_t fatSectors_;
  std::uint32_t listed_ = 0;
  std::uint32_t difatSectorsDeclared_;
  std::uint32_t difatSectors_ = 0;
  std::string_view extension_ = "doc";
};

std::unique_ptr<EndFinder> testOle2(ByteView head) {
  const std::uint16_t major = head.u16le(26);
  const std::uint16_t shift = head.u16le(30);
  const bool sane = head.u16le(28) == 0xFFFE && head.u16le(32) == 6 &&
                    ((major == 3 && shift == 9) || (major == 4 && shift == 12)) &&
                    head.u32le(44) > 0;
  if (!sane || !head.has(0, 512)) return nullptr;
  return std::make_unique<Ole2End>(head);
}

constexpr Signature kSignatures[] = {{0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"}};

}  // namespace

extern const Format kOle2Format;
constexpr Format kOle2Format{"doc", "Office document (OLE2)", kSignatures, testOle2};

}  // namespace orvane::engine
