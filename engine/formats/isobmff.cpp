// ISO base media files (MP4, MOV, 3GP, M4A, HEIC, AVIF, Canon CR3): a walk over the top-level
// boxes, each a 32-bit size (or 1 and a 64-bit size after the type) and a
// four-letter type. The file ends where the next bytes are not a top-level
// box; the brands of the first box (ftyp) tell the kinds apart.
#include <array>

#include "engine/walker.h"

namespace orvane::engine {
namespace {

bool isTopLevelBox(ByteView bytes) {
  static constexpr std::array<std::string_view, 17> kTypes = {
      "moov", "mdat", "free", "skip", "wide", "uuid", "meta", "pdin", "moof",
      "mfra", "styp", "sidx", "ssix", "prft", "emsg", "pnot", "junk"};
  for (std::string_view type : kTypes) {
    if (bytes.matches(4, type)) return true;
  }
  return false;
}

std::string_view extensionOfBrand(ByteView brand) {
  const auto is = [&](std::string_view name) { return brand.matches(0, name); };
  if (is("qt  ")) return "mov";
  if (is("heic") || is("heix") || is("hevc") || is("hevx") || is("heim") || is("heis") ||
      is("mif1") || is("msf1")) {
    return "heic";
  }
  if (is("avif") || is("avis")) return "avif";
  if (is("3gp") || is("3g2")) return "3gp";
  if (is("M4A ") || is("M4B ") || is("M4P ")) return "m4a";
  if (is("crx ")) return "cr3";
  return "mp4";
}

class IsoBoxEnd final : public Walker {
 public:
  explicit IsoBoxEnd(std::string_view extension) : Walker(extension, 8) {}

 private:
  Step at(ByteView bytes) override {
    if (cursor() == 0) return advance(bytes.u32be(0), 8);  // ftyp, checked by the header test
    if (!isTopLevelBox(bytes)) return complete() ? endsAfter(0) : notOne();
    std::uint64_t boxBytes = bytes.u32be(0);
    if (boxBytes == 1) {
      if (bytes.size() < 16) return advance(0, 16);
      boxBytes = bytes.u64be(8);
      if (boxBytes < 16) return complete() ? endsAfter(0) : notOne();
    } else if (boxBytes == 0) {
      // "to the end of the file": only streams that were never finished
      // write it, and nothing here says where they stop.
      return complete() ? endsAfter(0) : notOne();
    } else if (boxBytes < 8) {
      return complete() ? endsAfter(0) : notOne();
    }
    if (bytes.matches(4, "moov") || bytes.matches(4, "moof")) sawMovie_ = true;
    if (bytes.matches(4, "meta")) sawMeta_ = true;
    if (bytes.matches(4, "mdat")) sawData_ = true;
    return advance(boxBytes, 8);
  }

  // A movie needs its index (moov) and its samples (mdat); a HEIF picture
  // its meta box.
  bool complete() const { return (sawMovie_ && sawData_) || sawMeta_; }

  bool sawMovie_ = false;
  bool sawMeta_ = false;
  bool sawData_ = false;
};

std::unique_ptr<EndFinder> testIsoBmff(ByteView head) {
  const std::uint32_t ftypBytes = head.u32be(0);
  if (ftypBytes < 16 || ftypBytes > 1024 || ftypBytes % 4 != 0) return nullptr;
  for (std::size_t i = 8; i < 12; ++i) {
    const std::uint8_t c = head.u8(i);
    if (c < 0x20 || c > 0x7E) return nullptr;
  }
  std::string_view extension = extensionOfBrand(head.from(8));
  // A picture under the general HEIF brand says in its compatible brands
  // whether it is AV1 (AVIF) or HEVC (HEIC).
  if (head.matches(8, "mif1") || head.matches(8, "msf1")) {
    for (std::size_t at = 16; at + 4 <= ftypBytes; at += 4) {
      if (head.matches(at, "avif") || head.matches(at, "avis")) extension = "avif";
    }
  }
  return std::make_unique<IsoBoxEnd>(extension);
}

constexpr Signature kSignatures[] = {{4, "ftyp"}};

}  // namespace

extern const Format kIsoBmffFormat;
constexpr Format kIsoBmffFormat{"mp4", "MP4, MOV, 3GP, M4A, HEIC, AVIF or CR3", kSignatures,
                                testIsoBmff};

}  // namespace orvane::engine
