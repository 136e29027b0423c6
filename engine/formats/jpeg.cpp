// JPEG: a walk over the marker segments from SOI to EOI. Each segment says
// its own length, so EXIF thumbnails (whole JPEGs inside APP1) are passed
// over; after each SOS the entropy-coded data runs to the next marker that
// is not a stuffed 0xFF00 or a restart marker.
#include "engine/walker.h"

namespace orvane::engine {
namespace {

class JpegEnd final : public Walker {
 public:
  JpegEnd() : Walker("jpg", 2) {}

 private:
  Step at(ByteView bytes) override { return inScan_ ? entropy(bytes) : marker(bytes); }

  // Another file starting on a sector inside the entropy-coded data (which
  // never holds a file header there by chance) means the picture was cut
  // there: written in two pieces around that file. It ends there, and the
  // rest may be joined to it later.
  std::optional<std::uint64_t> tentativeEndBefore(std::uint64_t fileOffset) const override {
    if (sawScan_ && fileOffset >= scanStart_ && (inScan_ || fileOffset <= scanEnd_)) {
      return fileOffset;
    }
    return std::nullopt;
  }

  // Data that is not a marker where one must be: what came before is kept
  // when a picture was already under way (a partly overwritten photo still
  // shows its top), else this was never a JPEG.
  Step broken() const { return sawScan_ ? endsAfter(0) : notOne(); }

  Step marker(ByteView bytes) {
    if (bytes.u8(0) != 0xFF) return broken();
    const std::uint8_t code = bytes.u8(1);
    if (code == 0xFF) return advance(1, 2);  // fill byte before a marker
    if (code == 0xD8) return cursor() == 0 ? advance(2, 2) : broken();
    if (code == 0xD9) return sawFrame_ && sawScan_ ? endsAfter(2) : notOne();
    if ((code >= 0xD0 && code <= 0xD7) || code == 0x01) return advance(2, 2);
    if (code < 0xC0) return broken();
    if (bytes.size() < 4) return advance(0, 4);
    const std::uint16_t segmentLength = bytes.u16be(2);  // counts itself, not the marker
    if (segmentLength < 2) return broken();
    if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) {
      sawFrame_ = true;
    }
    if (code == 0xDA) {
      if (!sawFrame_) return notOne();
      sawScan_ = true;
      inScan_ = true;
      if (scanStart_ == 0) scanStart_ = cursor() + 2 + segmentLength;
    }
    return advance(2u + segmentLength, 2);
  }

  Step entropy(ByteView bytes) {
    std::size_t from = 0;
    for (;;) {
      const std::size_t at = bytes.findByte(0xFF, from);
      if (at == ByteView::npos) return advance(bytes.size(), 2);
      if (at + 1 >= bytes.size()) return advance(at, 2);
      const std::uint8_t next = bytes.u8(at + 1);
      if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
        from = at + 2;
      } else if (next == 0xFF) {
        from = at + 1;
      } else {
        inScan_ = false;
        scanEnd_ = cursor() + at;
        return advance(at, 2);
      }
    }
  }

  std::uint64_t scanStart_ = 0;  // where the first scan's data starts
  std::uint64_t scanEnd_ = 0;    // where the last scan's data that ended ends
  bool inScan_ = false;
  bool sawFrame_ = false;
  bool sawScan_ = false;
};

std::unique_ptr<EndFinder> testJpeg(ByteView head) {
  // SOI followed by a marker segment with a sane length: an APPn, a table,
  // a comment or a frame header.
  const std::uint8_t code = head.u8(3);
  const bool knownFirst = (code >= 0xE0 && code <= 0xEF) || code == 0xDB || code == 0xC4 ||
                          code == 0xC0 || code == 0xC2 || code == 0xFE || code == 0xDD;
  if (!knownFirst || head.u16be(4) < 2) return nullptr;
  return std::make_unique<JpegEnd>();
}

constexpr Signature kSignatures[] = {{0, "\xFF\xD8\xFF"}};

}  // namespace

extern const Format kJpegFormat;
constexpr Format kJpegFormat{"jpg", "JPEG picture", kSignatures, testJpeg};

}  // namespace orvane::engine
