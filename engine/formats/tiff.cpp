// TIFF and the camera raw files built on it (CR2, NEF, ARW, DNG, ORF, RW2):
// the file reaches as far as the furthest of its IFDs, the values they point
// to, the strips or tiles of image data, the JPEG previews and the private
// data. IFDs chain to the next one and to sub-IFDs (EXIF, GPS, previews,
// maker notes, a Sony private IFD). The extension comes from the header (CR2,
// ORF and RW2 have their own marks), the DNG version tag or the maker.
#include <map>
#include <optional>
#include <string>

#include "engine/offset_follower.h"

namespace orvane::engine {
namespace {

// A request's tag: what the range is (low 4 bits), the TIFF type of an
// array (next 4), which pair of arrays it belongs to (next 2) and the serial
// number of the IFD it came from (the rest).
enum Kind : std::uint32_t {
  kIfdCount = 0,
  kIfd = 1,
  kOffsets = 2,
  kByteCounts = 3,
  kMake = 4,
  kSubIfds = 5,
  kMakerNote = 6,
};
// Offset and length arrays that come in pairs in one IFD.
enum Pair : std::uint32_t { kStrips = 0, kTiles = 1, kJpegPreview = 2, kPrivate = 3 };

constexpr std::uint32_t kMaxIfds = 256;
constexpr std::uint32_t kMaxEntries = 4096;
// Enough of a maker note to tell whose layout it follows (a length no IFD
// has, so the range is not taken for one asked before).
constexpr std::uint32_t kMakerNoteHead = 20;

constexpr std::uint32_t tagOf(Kind kind, std::uint32_t type, std::uint32_t pair,
                              std::uint32_t serial) {
  return kind | (type << 4) | (pair << 8) | (serial << 10);
}

std::uint32_t typeBytes(std::uint16_t type) {
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

// Which pair an entry of offsets or of lengths belongs to.
struct PairTag {
  std::uint16_t offsets;
  std::uint16_t lengths;
  Pair pair;
};
constexpr PairTag kPairs[] = {
    {273, 279, kStrips},         // StripOffsets, StripByteCounts
    {324, 325, kTiles},          // TileOffsets, TileByteCounts
    {513, 514, kJpegPreview},    // JPEGInterchangeFormat and its length
    {0x7200, 0x7201, kPrivate},  // the encrypted block of a Sony private IFD
};

class TiffEnd final : public OffsetFollower {
 public:
  TiffEnd(bool bigEndian, std::uint32_t firstIfd, std::string_view extension)
      : bigEndian_(bigEndian), extension_(extension), markedByHeader_(extension != "tif") {
    extendTo(8);
    requestIfd(firstIfd, 0);
  }
  std::string_view extension() const override { return extension_; }

 private:
  std::uint16_t u16(ByteView bytes, std::size_t at) const {
    return bigEndian_ ? bytes.u16be(at) : bytes.u16le(at);
  }
  std::uint32_t u32(ByteView bytes, std::size_t at) const {
    return bigEndian_ ? bytes.u32be(at) : bytes.u32le(at);
  }

  // `base` is what offsets inside the IFD count from: 0 but in maker notes
  // that carry a TIFF header of their own.
  void requestIfd(std::uint64_t offset, std::uint64_t base) {
    if (offset < 8 || ++ifds_ > kMaxIfds) return;
    baseOfIfd_.emplace(offset, base);
    request(offset, 2, kIfdCount);
  }

  void onRange(std::uint32_t tag, std::uint64_t offset, ByteView bytes) override {
    const std::uint32_t serial = tag >> 10;
    switch (tag & 0xF) {
      case kIfdCount: {
        const std::uint16_t entries = u16(bytes, 0);
        if (entries == 0 || entries > kMaxEntries) return;
        const auto base = baseOfIfd_.find(offset);
        bases_.push_back(base == baseOfIfd_.end() ? 0 : base->second);
        request(offset, 2u + 12u * entries + 4u,
                tagOf(kIfd, 0, 0, static_cast<std::uint32_t>(bases_.size() - 1)));
        break;
      }
      case kIfd:
        readIfd(serial, offset, bytes);
        break;
      case kOffsets:
      case kByteCounts:
        storeArray(tag, bytes);
        break;
      case kMake:
        nameByMaker(bytes);
        break;
      case kSubIfds:
        for (std::size_t at = 0; bytes.has(at, 4); at += 4) {
          requestIfd(bases_[serial] + u32(bytes, at), bases_[serial]);
        }
        break;
      case kMakerNote:
        followMakerNote(offset, bytes);
        break;
      default:
        break;
    }
  }

  void readIfd(std::uint32_t serial, std::uint64_t offset, ByteView bytes) {
    extendTo(offset + bytes.size());
    const std::uint64_t base = bases_[serial];
    const std::uint16_t entries = u16(bytes, 0);
    for (std::uint32_t i = 0; i < entries; ++i) {
      const std::size_t at = 2 + 12 * i;
      const std::uint16_t id = u16(bytes, at);
      const std::uint16_t type = u16(bytes, at + 2);
      const std::uint32_t count = u32(bytes, at + 4);
      const std::uint64_t valueBytes = std::uint64_t{typeBytes(type)} * count;
      const std::uint64_t valueOffset = base + u32(bytes, at + 8);
      if (valueBytes > 4) extendTo(valueOffset + valueBytes);
      readEntry(serial, bytes.from(at), id, type, count, valueBytes, valueOffset);
    }
    requestIfd(base + u32(bytes, 2 + 12 * std::size_t{entries}), base);
  }

  void readEntry(std::uint32_t serial, ByteView entry, std::uint16_t id, std::uint16_t type,
                 std::uint32_t count, std::uint64_t valueBytes, std::uint64_t valueOffset) {
    const std::uint64_t base = bases_[serial];
    const ByteView inlineValue = entry.from(8).first(4);
    for (const PairTag& pair : kPairs) {
      if ((id != pair.offsets && id != pair.lengths) || count == 0 || (type != 3 && type != 4)) {
        continue;
      }
      const Kind kind = id == pair.offsets ? kOffsets : kByteCounts;
      const std::uint32_t arrayTag = tagOf(kind, type, pair.pair, serial);
      if (valueBytes <= 4) {
        storeArray(arrayTag, inlineValue.first(static_cast<std::size_t>(valueBytes)));
      } else if (valueBytes <= kMaxRange) {
        request(valueOffset, static_cast<std::uint32_t>(valueBytes), arrayTag);
      }
    }
    const bool isIfd = type == 4 || type == 13;
    switch (id) {
      case 34665:  // EXIF
      case 34853:  // GPS
      case 40965:  // interoperability
        if (count == 1 && isIfd) requestIfd(base + u32(entry, 8), base);
        break;
      case 330:  // sub-IFDs: the full-size raw picture and previews
        if (!isIfd) break;
        if (count == 1) {
          requestIfd(base + u32(entry, 8), base);
        } else if (valueBytes <= kMaxRange) {
          request(valueOffset, static_cast<std::uint32_t>(valueBytes),
                  tagOf(kSubIfds, 0, 0, serial));
        }
        break;
      case 271:  // the maker, which names the raw formats without marks of their own
        if (type == 2 && count > 1) {
          const std::uint32_t kept = std::min<std::uint32_t>(count, 16);
          if (count <= 4) {
            nameByMaker(inlineValue.first(kept));
          } else {
            request(valueOffset, kept, tagOf(kMake, 0, 0, serial));
          }
        }
        break;
      case 37500:  // the maker note, with IFDs of its own
        if (count >= 18 && base == 0) {
          request(valueOffset, kMakerNoteHead, tagOf(kMakerNote, 0, 0, serial));
        }
        break;
      case 50706:  // DNG version
        if (!markedByHeader_) extension_ = "dng";
        sawDngVersion_ = true;
        break;
      case 50740:  // private data; four bytes of it are a Sony private IFD's offset
        if (count == 4 && (type == 1 || type == 4 || type == 7)) {
          requestIfd(type == 4 ? u32(entry, 8) : u32(inlineValue, 0), 0);
        }
        break;
      default:
        // maker notes name their own sub-IFDs by type
        if (type == 13 && count == 1) requestIfd(base + u32(entry, 8), base);
        break;
    }
  }

  void nameByMaker(ByteView make) {
    make_.assign(reinterpret_cast<const char*>(make.data()), make.size());
    if (canonNoteAt_ && isCanon()) requestIfd(*canonNoteAt_, 0);
    if (markedByHeader_ || sawDngVersion_) return;
    if (make.matches(0, "NIKON")) extension_ = "nef";
    if (make.matches(0, "SONY")) extension_ = "arw";
  }

  // Maker notes: Nikon's holds a whole TIFF header that its offsets count
  // from; Olympus's counts from its own start; Sony's, Panasonic's and the
  // older Olympus one count from the file's start after a fixed mark;
  // Canon's is a bare IFD.
  void followMakerNote(std::uint64_t at, ByteView note) {
    if (note.matches(0, std::string_view("Nikon\0\x02", 7))) {
      const bool noteBigEndian = note.matches(10, "MM");
      if (noteBigEndian != bigEndian_) return;
      requestIfd(at + 10 + u32(note, 14), at + 10);
    } else if (note.matches(0, std::string_view("OLYMPUS\0", 8))) {
      requestIfd(at + 12, at);
    } else if (note.matches(0, std::string_view("OM SYSTEM\0", 10))) {
      requestIfd(at + 16, at);
    } else if (note.matches(0, std::string_view("OLYMP\0", 6))) {
      requestIfd(at + 8, 0);
    } else if (note.matches(0, "SONY DSC ") || note.matches(0, "SONY CAM ") ||
               note.matches(0, std::string_view("Panasonic\0", 10))) {
      requestIfd(at + 12, 0);
    } else if (isCanon()) {
      requestIfd(at, 0);
    } else if (make_.empty()) {
      canonNoteAt_ = at;  // followed once the maker is known to be Canon
    }
  }

  bool isCanon() const { return extension_ == "cr2" || make_.starts_with("Canon"); }

  void storeArray(std::uint32_t tag, ByteView bytes) {
    const std::uint32_t type = (tag >> 4) & 0xF;
    std::vector<std::uint32_t> values;
    const std::size_t width = type == 3 ? 2 : 4;
    for (std::size_t at = 0; bytes.has(at, width); at += width) {
      values.push_back(width == 2 ? u16(bytes, at) : u32(bytes, at));
    }
    const std::uint32_t key = tag >> 8;  // the pair and the IFD
    auto& pair = arrays_[key];
    ((tag & 0xF) == kOffsets ? pair.first : pair.second) = std::move(values);
    if (!pair.first.empty() && !pair.second.empty()) {
      const std::uint64_t base = bases_[key >> 2];
      for (std::size_t i = 0; i < pair.first.size() && i < pair.second.size(); ++i) {
        extendTo(base + pair.first[i] + pair.second[i]);
      }
      arrays_.erase(key);
    }
  }

  bool bigEndian_;
  std::string_view extension_;
  bool markedByHeader_;
  bool sawDngVersion_ = false;
  std::string make_;
  std::optional<std::uint64_t> canonNoteAt_;
  std::uint32_t ifds_ = 0;
  std::map<std::uint64_t, std::uint64_t> baseOfIfd_;
  std::vector<std::uint64_t> bases_;  // by IFD serial
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
  std::string_view extension = "tif";
  if (head.matches(0, "IIU")) {
    extension = "rw2";
  } else if (head.matches(2, "RO") || head.matches(2, "RS") || head.matches(0, "MMOR")) {
    extension = "orf";
  } else if (head.matches(0, std::string_view("II*\0", 4)) && head.matches(8, "CR")) {
    extension = "cr2";
  }
  return std::make_unique<TiffEnd>(bigEndian, firstIfd, extension);
}

constexpr Signature kSignatures[] = {
    {0, std::string_view("II*\0", 4)}, {0, std::string_view("MM\0*", 4)},
    {0, std::string_view("IIRO", 4)},  {0, std::string_view("IIRS", 4)},
    {0, std::string_view("MMOR", 4)},  {0, std::string_view("IIU\0", 4)},
};

}  // namespace

extern const Format kTiffFormat;
constexpr Format kTiffFormat{"tif", "TIFF picture or camera raw", kSignatures, testTiff};

}  // namespace orvane::engine
