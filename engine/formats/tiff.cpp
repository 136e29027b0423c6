// TIFF (and the camera raw files built on it): the file reaches as far as
// the furthest of its IFDs, the values they point to and the strips or
// tiles of image data. IFDs chain to the next one and to sub-IFDs (EXIF,
// GPS, previews).
#include <map>

#include "engine/offset_follower.h"

namespace orvane::engine {
namespace {

enum Tag : std::uint32_t { kIfdCount = 0, kIfd = 1, kOffsets = 2, kByteCounts = 3 };
constexpr std::uint32_t kMaxIfds = 256;
constexpr std::uint32_t kMaxEntries = 4096;

class TiffEnd final : public OffsetFollower {
 public:
  TiffEnd(bool bigEndian, std::uint32_t firstIfd) : bigEndian_(bigEndian) {
    extendTo(8);
    requestIfd(firstIfd);
  }
  std::string_view extension() const override { return "tif"; }

 private:
  std::uint16_t u16(ByteView bytes, std::size_t at) const {
    return bigEndian_ ? bytes.u16be(at) : bytes.u16le(at);
  }
  std::uint32_t u32(ByteView bytes, std::size_t at) const {
    return bigEndian_ ? bytes.u32be(at) : bytes.u32le(at);
  }

  void requestIfd(std::uint32_t offset) {
    if (offset < 8 || ++ifds_ > kMaxIfds) return;
    request(offset, 2, kIfdCount);
  }

  static std::uint32_t typeBytes(std::uint16_t type) {
    switch (type) {
      case 1:
      case 2:
      case 6:
      case 7:
        return 1;
      case 3:
      case 8:
        return 2;
      case 4:
      case 9:
      case 11:
      case 13:
        return 4;
      case 5:
      case 10:
      case 12:
        return 8;
      default:
        return 0;
    }
  }

  // Arrays of strip (or tile) offsets and byte counts come in pairs per IFD,
  // inline when they hold one value; the pair is matched up by IFD number.
  void onRange(std::uint32_t tag, std::uint64_t offset, ByteView bytes) override {
    switch (tag & 0xF) {
      case kIfdCount: {
        const std::uint16_t entries = u16(bytes, 0);
        if (entries == 0 || entries > kMaxEntries) return;
        request(offset, 2u + 12u * entries + 4u, kIfd | (ifdSerial_++ << 8));
        break;
      }
      case kIfd:
        readIfd(tag >> 8, offset, bytes);
        break;
      case kOffsets:
      case kByteCounts:
        storeArray(tag, bytes, (tag >> 4) & 0xF);
        break;
      default:
        break;
    }
  }

  void readIfd(std::uint32_t serial, std::uint64_t offset, ByteView bytes) {
    extendTo(offset + bytes.size());
    const std::uint16_t entries = u16(bytes, 0);
    for (std::uint32_t i = 0; i < entries; ++i) {
      const std::size_t at = 2 + 12 * i;
      const std::uint16_t id = u16(bytes, at);
      const std::uint16_t type = u16(bytes, at + 2);
      const std::uint32_t count = u32(bytes, at + 4);
      const std::uint64_t valueBytes = std::uint64_t{typeBytes(type)} * count;
      const std::uint32_t valueOffset = u32(bytes, at + 8);
      if (valueBytes > 4) extendTo(std::uint64_t{valueOffset} + valueBytes);
      const bool offsets = id == 273 || id == 324;
      const bool byteCounts = id == 279 || id == 325;
      if ((offsets || byteCounts) && count > 0 && (type == 3 || type == 4)) {
        const std::uint32_t kind = offsets ? kOffsets : kByteCounts;
        const std::uint32_t arrayTag = kind | (type << 4) | (serial << 8);
        if (valueBytes <= 4) {
          storeArray(arrayTag, bytes.from(at + 8).first(static_cast<std::size_t>(valueBytes)),
                     type);
        } else if (valueBytes <= kMaxRange) {
          request(valueOffset, static_cast<std::uint32_t>(valueBytes), arrayTag);
        }
      }
      // EXIF, GPS, interoperability and sub-IFDs hang off these tags.
      const bool pointsToIfd = id == 34665 || id == 34853 || id == 40965 || id == 330;
      if (pointsToIfd && count == 1 && (type == 4 || type == 13)) requestIfd(valueOffset);
    }
    requestIfd(u32(bytes, 2 + 12 * std::size_t{entries}));
  }

  void storeArray(std::uint32_t tag, ByteView bytes, std::uint32_t type) {
    std::vector<std::uint32_t> values;
    const std::size_t width = type == 3 ? 2 : 4;
    for (std::size_t at = 0; bytes.has(at, width); at += width) {
      values.push_back(width == 2 ? u16(bytes, at) : u32(bytes, at));
    }
    const std::uint32_t serial = tag >> 8;
    auto& pair = arrays_[serial];
    ((tag & 0xF) == kOffsets ? pair.first : pair.second) = std::move(values);
    if (!pair.first.empty() && !pair.second.empty()) {
      for (std::size_t i = 0; i < pair.first.size() && i < pair.second.size(); ++i) {
        extendTo(std::uint64_t{pair.first[i]} + pair.second[i]);
      }
      arrays_.erase(serial);
    }
  }

  bool bigEndian_;
  std::uint32_t ifds_ = 0;
  std::uint32_t ifdSerial_ = 0;
  std::map<std::uint32_t, std::pair<std::vector<std::uint32_t>, std::vector<std::uint32_t>>>
      arrays_;
};

std::unique_ptr<EndFinder> testTiff(ByteView head) {
  const bool bigEndian = head.u8(0) == 'M';
  const std::uint32_t firstIfd = bigEndian ? head.u32be(4) : head.u32le(4);
  if (firstIfd < 8) return nullptr;
  // An IFD within the head must have a sane entry count.
  if (firstIfd + 2 <= head.size()) {
    const std::uint16_t entries = bigEndian ? head.u16be(firstIfd) : head.u16le(firstIfd);
    if (entries == 0 || entries > kMaxEntries) return nullptr;
  }
  return std::make_unique<TiffEnd>(bigEndian, firstIfd);
}

constexpr Signature kSignatures[] = {{0, std::string_view("II*\0", 4)},
                                     {0, std::string_view("MM\0*", 4)}};

}  // namespace

extern const Format kTiffFormat;
constexpr Format kTiffFormat{"tif", "TIFF picture", kSignatures, testTiff};

}  // namespace orvane::engine
