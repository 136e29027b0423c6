// OGG: a walk over the pages. Each page header ends in a segment table
// whose sum is the page's data length. The file ends with the page that
// closes the last of its logical streams (end-of-stream flag).
#include <set>

#include "engine/walker.h"

namespace orvane::engine {
namespace {

class OggEnd final : public Walker {
 public:
  OggEnd() : Walker("ogg", 27) {}

 private:
  Step at(ByteView bytes) override {
    if (!bytes.matches(0, "OggS") || bytes.u8(4) != 0)
      return open_.empty() && pages_ > 0 ? endsAfter(0) : broken();
    const std::uint8_t segments = bytes.u8(26);
    if (bytes.size() < 27u + segments) return advance(0, 27u + segments);
    std::uint64_t pageBytes = 27u + segments;
    for (std::size_t i = 0; i < segments; ++i) pageBytes += bytes.u8(27 + i);
    const std::uint8_t flags = bytes.u8(5);
    const std::uint32_t serial = bytes.u32le(14);
    if ((flags & 0x02) != 0) open_.insert(serial);
    ++pages_;
    if ((flags & 0x04) != 0) {
      open_.erase(serial);
      if (open_.empty()) return endsAfter(pageBytes);
    }
    return advance(pageBytes, 27);
  }
  // A stream that stops without its end page is kept as it stands.
  Step broken() const { return pages_ > 1 ? endsAfter(0) : notOne(); }

  std::set<std::uint32_t> open_;
  std::uint64_t pages_ = 0;
};

std::unique_ptr<EndFinder> testOgg(ByteView head) {
  // The first page begins a stream and holds nothing else.
  if (head.u8(4) != 0 || head.u8(5) != 0x02) return nullptr;
  return std::make_unique<OggEnd>();
}

constexpr Signature kSignatures[] = {{0, "OggS"}};

}  // namespace

extern const Format kOggFormat;
constexpr Format kOggFormat{"ogg", "Ogg sound or video", kSignatures, testOgg};

}  // namespace orvane::engine
