// ZIP and the formats built on it (DOCX, XLSX, PPTX, ODT, ODS, ODP, EPUB,
// JAR): a walk over the local entries, the central directory and the end
// record, whose comment length closes the file. Entries written as a stream
// (sizes in a data descriptor after the data) are passed by searching for
// the descriptor whose size matches the data passed. The entry names tell
// the kinds apart.
#include "engine/walker.h"

namespace orvane::engine {
namespace {

constexpr std::uint32_t kLocalEntry = 0x04034B50;
constexpr std::uint32_t kCentralEntry = 0x02014B50;
constexpr std::uint32_t kEndRecord = 0x06054B50;
constexpr std::uint32_t kZip64EndRecord = 0x06064B50;
constexpr std::uint32_t kZip64Locator = 0x07064B50;
constexpr std::uint32_t kDescriptor = 0x08074B50;
// An entry name or field this long is no real archive's.
constexpr std::size_t kMaxHeaderBytes = 65536 + 65536 + 30;

class ZipEnd final : public Walker {
 public:
  ZipEnd() : Walker("zip", 4) {}

 private:
  Step at(ByteView bytes) override {
    if (inStreamedData_) return streamedData(bytes);
    switch (bytes.u32le(0)) {
      case kLocalEntry:
        return localEntry(bytes);
      case kDescriptor: {
        // 16 bytes, or 24 with 64-bit sizes: the next record tells which.
        if (bytes.size() < 28) return advance(0, 28);
        const std::uint32_t after16 = bytes.u32le(16);
        return advance(after16 == kLocalEntry || after16 == kCentralEntry ? 16 : 24, 4);
      }
      case kCentralEntry:
        if (bytes.size() < 46) return advance(0, 46);
        return advance(46u + bytes.u16le(28) + bytes.u16le(30) + bytes.u16le(32), 4);
      case kZip64EndRecord:
        if (bytes.size() < 12) return advance(0, 12);
        return advance(12 + bytes.u64le(4), 4);
      case kZip64Locator:
        return advance(20, 4);
      case kEndRecord:
        if (bytes.size() < 22) return advance(0, 22);
        return endsAfter(22u + bytes.u16le(20));
      default:
        // No end record: what came before is kept if it held entries.
        return entries_ > 0 ? endsAfter(0) : notOne();
    }
  }

  Step localEntry(ByteView bytes) {
    if (bytes.size() < 30) return advance(0, 30);
    const std::uint16_t flags = bytes.u16le(6);
    std::uint64_t compressedBytes = bytes.u32le(18);
    const std::uint16_t nameBytes = bytes.u16le(26);
    const std::uint16_t extraBytes = bytes.u16le(28);
    const std::size_t headerBytes = 30u + nameBytes + extraBytes;
    // The first entry's stored content names ODF documents ("mimetype").
    const std::size_t wanted =
        headerBytes + (entries_ == 0 ? std::min<std::uint64_t>(compressedBytes, 96) : 0);
    if (bytes.size() < wanted) return wanted > kMaxHeaderBytes ? notOne() : advance(0, wanted);
    const ByteView name = bytes.from(30).first(nameBytes);
    learnKind(name,
              bytes.from(headerBytes)
                  .first(static_cast<std::size_t>(std::min<std::uint64_t>(compressedBytes, 96))));
    if (compressedBytes == 0xFFFFFFFFu)
      compressedBytes = zip64CompressedBytes(bytes, nameBytes, extraBytes);
    ++entries_;
    if ((flags & 0x08) != 0 && compressedBytes == 0) {
      inStreamedData_ = true;
      dataStart_ = cursor() + headerBytes;
      return advance(headerBytes, 4);
    }
    return advance(headerBytes + compressedBytes, 4);
  }

  static std::uint64_t zip64CompressedBytes(ByteView bytes, std::size_t nameBytes,
                                            std::size_t extraBytes) {
    const ByteView extra = bytes.from(30 + nameBytes).first(extraBytes);
    for (std::size_t at = 0; extra.has(at, 4);) {
      const std::uint16_t id = extra.u16le(at);
      const std::uint16_t size = extra.u16le(at + 2);
      if (id == 0x0001 && size >= 16) return extra.u64le(at + 12);
      at += 4u + size;
    }
    return 0;
  }

  // Searches the data of a streamed entry for its descriptor (whose
  // compressed size equals the bytes passed) or, from writers that leave
  // the descriptor's signature out, the next entry.
  Step streamedData(ByteView bytes) {
    for (std::size_t at = bytes.findByte('P'); at != ByteView::npos;
         at = bytes.findByte('P', at + 1)) {
      if (!bytes.has(at, 16)) return advance(at, 16);
      const std::uint32_t signature = bytes.u32le(at);
      const std::uint64_t passed = cursor() + at - dataStart_;
      const bool descriptor =
          signature == kDescriptor && (bytes.u32le(at + 8) == (passed & 0xFFFFFFFFu));
      if (descriptor || signature == kLocalEntry || signature == kCentralEntry) {
        inStreamedData_ = false;
        return advance(at, 4);
      }
    }
    return advance(bytes.size(), 16);
  }

  void learnKind(ByteView name, ByteView content) {
    const auto starts = [&](std::string_view prefix) { return name.matches(0, prefix); };
    if (entries_ == 0 && name.size() == 8 && starts("mimetype")) {
      if (content.matches(0, "application/vnd.oasis.opendocument.text")) extension_ = "odt";
      if (content.matches(0, "application/vnd.oasis.opendocument.spreadsheet")) extension_ = "ods";
      if (content.matches(0, "application/vnd.oasis.opendocument.presentation")) extension_ = "odp";
      if (content.matches(0, "application/epub+zip")) extension_ = "epub";
      return;
    }
    if (extension_ != "zip") return;
    if (starts("word/")) extension_ = "docx";
    if (starts("xl/")) extension_ = "xlsx";
    if (starts("ppt/")) extension_ = "pptx";
    if (starts("META-INF/MANIFEST.MF")) extension_ = "jar";
  }

  bool inStreamedData_ = false;
  std::uint64_t dataStart_ = 0;
  std::uint64_t entries_ = 0;
};

std::unique_ptr<EndFinder> testZip(ByteView head) {
  // Version needed (at most 6.3), a known method, a name of sane length.
  const std::uint16_t version = head.u16le(4);
  const std::uint16_t method = head.u16le(8);
  const std::uint16_t nameBytes = head.u16le(26);
  const bool knownMethod = method == 0 || method == 8 || method == 9 || method == 12 ||
                           method == 14 || method == 93 || method == 95 || method == 99;
  if (version > 63 || !knownMethod || nameBytes == 0 || nameBytes > 4096) return nullptr;
  return std::make_unique<ZipEnd>();
}

constexpr Signature kSignatures[] = {{0, std::string_view("PK\x03\x04", 4)}};

}  // namespace

extern const Format kZipFormat;
constexpr Format kZipFormat{"zip", "ZIP archive or office document", kSignatures, testZip};

}  // namespace orvane::engine
