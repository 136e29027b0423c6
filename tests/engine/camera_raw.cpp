// Camera raw files laid out as the makers' published layouts describe them
// (TIFF/EP with sub-IFDs and maker notes, the RAF header; CR3, being ISO
// media, is written by FFmpeg). Each puts a different structure last, so the engine must follow
// that route to find the end.
#include <map>
#include <random>

#include "writers.h"

namespace orvane::engine::testing {
namespace {

enum Type : std::uint16_t {
  kByte = 1,
  kAscii = 2,
  kShort = 3,
  kLong = 4,
  kUndefined = 7,
  kIfd = 13
};

struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value = 0;  // patched later where it is an offset
};

class TiffLayout {
 public:
  explicit TiffLayout(bool bigEndian) : bigEndian_(bigEndian) {}

  void put(std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
      const int shift = bigEndian_ ? 8 * (width - 1 - i) : 8 * i;
      bytes[at + static_cast<std::size_t>(i)] = static_cast<std::byte>((value >> shift) & 0xFF);
    }
  }
  // Noise of `count` bytes, starting with `mark`; its offset.
  std::size_t blob(std::size_t count, std::string_view mark = {}) {
    if (bytes.size() % 2 != 0) bytes.push_back(std::byte{0});
    const std::size_t at = bytes.size();
    putText(bytes, mark);
    while (bytes.size() < at + count) bytes.push_back(static_cast<std::byte>(random_() & 0xFF));
    return at;
  }
  // An IFD without a next one; its offset. Entry i's value field lies at
  // valueAt(ifd, i).
  std::size_t ifd(const std::vector<Entry>& entries) {
    const std::size_t at = blob(2 + 12 * entries.size() + 4);
    put(at, static_cast<std::uint32_t>(entries.size()), 2);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::size_t entry = at + 2 + 12 * i;
      put(entry, entries[i].tag, 2);
      put(entry + 2, entries[i].type, 2);
      put(entry + 4, entries[i].count, 4);
      put(entry + 8, entries[i].value, 4);
    }
    put(at + 2 + 12 * entries.size(), 0, 4);
    return at;
  }
  static std::size_t valueAt(std::size_t ifd, std::size_t index) {
    return ifd + 2 + 12 * index + 8;
  }

  Bytes bytes;

 private:
  bool bigEndian_;
  std::mt19937 random_{11};
};

// The maker and the marks of each TIFF-based kind, and the data that goes
// after everything else: the route the engine must follow to the end.
struct TiffKind {
  const char* make;
  bool bigEndian;
  std::string_view magic;
  std::string last;
};
const std::map<std::string, TiffKind, std::less<>> kTiffKinds = {
    {"cr2", {"Canon", false, std::string_view("II*\0\x10\0\0\0CR\x02\0\0\0\0\0", 16), "note"}},
    {"nef", {"NIKON CORPORATION", true, std::string_view("MM\0*\0\0\0\x08", 8), "note"}},
    {"arw", {"SONY", false, std::string_view("II*\0\x08\0\0\0", 8), "private"}},
    {"dng", {"Canon", false, std::string_view("II*\0\x08\0\0\0", 8), "raw"}},
    {"orf", {"OLYMPUS CORPORATION", false, std::string_view("IIRO\x08\0\0\0", 8), "note"}},
    {"rw2", {"Panasonic", false, std::string_view("IIU\0\x08\0\0\0", 8), "preview"}},
};

// IFD0 (maker, preview strip, EXIF, two sub-IFDs, DNG or Sony tags), IFD1
// with a JPEG preview, the EXIF IFD with the maker note, and the data they
// point to. The data named by `last` goes after everything else.
Bytes tiffRaw(const std::string& kind) {
  const TiffKind& shape = kTiffKinds.find(kind)->second;
  TiffLayout file(shape.bigEndian);
  putText(file.bytes, shape.magic);
  const std::string make = std::string(shape.make) + '\0';
  const auto makeBytes = static_cast<std::uint32_t>(make.size());
  std::vector<Entry> ifd0 = {{271, kAscii, makeBytes},
                             {273, kLong, 1},
                             {279, kLong, 1},
                             {330, kLong, 2},
                             {34665, kLong, 1}};
  if (kind == "dng") ifd0.push_back({50706, kByte, 4, 0x00000401});
  if (kind == "arw") ifd0.push_back({50740, kByte, 4});
  const std::size_t ifd0At = file.ifd(ifd0);
  const std::size_t ifd1At = file.ifd({{513, kLong, 1}, {514, kLong, 1}});
  file.put(ifd0At + 2 + 12 * ifd0.size(), static_cast<std::uint32_t>(ifd1At), 4);
  const std::size_t exifAt = file.ifd({{37500, kUndefined, 0}});
  const std::size_t rawAt = file.ifd({{273, kLong, 2}, {279, kShort, 2}});
  const std::size_t previewAt = file.ifd({{513, kLong, 1}, {514, kLong, 1}});
  const std::size_t sr2At = file.ifd({{0x7200, kLong, 1}, {0x7201, kLong, 1}});
  const auto set = [&file](std::size_t ifd, std::size_t index, std::size_t value) {
    file.put(TiffLayout::valueAt(ifd, index), static_cast<std::uint32_t>(value), 4);
  };
  const std::size_t subIfds = file.blob(8);
  set(ifd0At, 3, subIfds);
  file.put(subIfds, static_cast<std::uint32_t>(rawAt), 4);
  file.put(subIfds + 4, static_cast<std::uint32_t>(previewAt), 4);
  set(ifd0At, 4, exifAt);
  if (kind == "arw") set(ifd0At, 5, sr2At);
  set(ifd0At, 0, file.blob(make.size(), make));

  // The maker note and the data its IFD names, offsets as its maker counts.
  std::size_t noteAt = 0;
  std::size_t noteBase = 0;
  std::size_t noteValue = 0;  // where the offset of the note's private data goes
  if (kind == "nef") {
    noteAt = file.blob(18, std::string_view("Nikon\0\x02\x10\0\0MM\0*\0\0\0\x08", 18));
    noteBase = noteAt + 10;
    noteValue = TiffLayout::valueAt(file.ifd({{0x0099, kUndefined, 3000}}), 0);
  } else if (kind == "orf") {
    noteAt = file.blob(12, std::string_view("OLYMPUS\0II\x03\0", 12));
    noteBase = noteAt;
    const std::size_t outer = file.ifd({{0x2020, kIfd, 1}});
    const std::size_t inner = file.ifd({{0x0101, kUndefined, 3000}});
    file.put(TiffLayout::valueAt(outer, 0), static_cast<std::uint32_t>(inner - noteBase), 4);
    noteValue = TiffLayout::valueAt(inner, 0);
  } else if (kind == "arw" || kind == "rw2") {
    noteAt = file.blob(12, kind == "arw" ? std::string_view("SONY DSC \0\0\0", 12)
                                         : std::string_view("Panasonic\0\0\0", 12));
    noteValue = TiffLayout::valueAt(file.ifd({{0x0001, kUndefined, 3000}}), 0);
  } else {
    noteAt = file.ifd({{0x0001, kUndefined, 3000}});
    noteValue = TiffLayout::valueAt(noteAt, 0);
  }
  file.put(TiffLayout::valueAt(exifAt, 0) - 4,
           static_cast<std::uint32_t>(file.bytes.size() - noteAt), 4);
  set(exifAt, 0, noteAt);

  // The data, in an order that puts the route under test last.
  std::vector<std::string> order = {"strip", "raw", "preview", "thumb", "private", "note"};
  std::erase(order, shape.last);
  order.push_back(shape.last);
  for (const std::string& part : order) {
    if (part == "strip") {
      set(ifd0At, 1, file.blob(2000, "\xFF\xD8"));
      set(ifd0At, 2, 2000);
    } else if (part == "raw") {
      const std::size_t first = file.blob(6000);
      const std::size_t second = file.blob(9000);
      const std::size_t offsets = file.blob(8);
      set(rawAt, 0, offsets);
      file.put(offsets, static_cast<std::uint32_t>(first), 4);
      file.put(offsets + 4, static_cast<std::uint32_t>(second), 4);
      file.put(TiffLayout::valueAt(rawAt, 1), 6000, 2);  // two lengths fit in the entry
      file.put(TiffLayout::valueAt(rawAt, 1) + 2, 9000, 2);
    } else if (part == "preview") {
      set(ifd1At, 0, file.blob(4000, "\xFF\xD8"));
      set(ifd1At, 1, 4000);
    } else if (part == "thumb") {
      set(previewAt, 0, file.blob(1500, "\xFF\xD8"));
      set(previewAt, 1, 1500);
    } else if (part == "private") {
      set(sr2At, 0, file.blob(7000));
      set(sr2At, 1, 7000);
    } else {
      file.put(noteValue, static_cast<std::uint32_t>(file.blob(3000) - noteBase), 4);
    }
  }
  return file.bytes;
}

// "FUJIFILMCCD-RAW ", format version, camera number and name, then at byte
// 84 the offset and length of the JPEG preview, the CFA header and the CFA.
Bytes raf() {
  TiffLayout file(true);
  putText(file.bytes, "FUJIFILMCCD-RAW 0201FF383501");
  putText(file.bytes,
          std::string_view("X-T3\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32));
  file.blob(148 - file.bytes.size());
  const std::size_t sizes[] = {6000, 1000, 20000};
  const std::size_t jpeg = file.blob(sizes[0], "\xFF\xD8");
  const std::size_t cfa = file.blob(sizes[2]);
  const std::size_t cfaHeader = file.blob(sizes[1]);  // last, as some cameras write it
  const std::size_t offsets[] = {jpeg, cfaHeader, cfa};
  for (std::size_t part = 0; part < 3; ++part) {
    file.put(84 + 8 * part, static_cast<std::uint32_t>(offsets[part]), 4);
    file.put(88 + 8 * part, static_cast<std::uint32_t>(sizes[part]), 4);
  }
  return file.bytes;
}

}  // namespace

Bytes cameraRaw(const std::string& kind) {
  if (kind == "raf") return raf();
  return tiffRaw(kind);
}

}  // namespace orvane::engine::testing
