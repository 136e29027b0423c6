// RTF: plain 7-bit text whose outermost group closes the document; braces
// escaped with a backslash do not count. A line end after the last brace
// belongs to the file.
#include "engine/walker.h"

namespace orvane::engine {
namespace {

constexpr std::uint64_t kMaxRtfBytes = 256u << 20;

class RtfEnd final : public Walker {
 public:
  RtfEnd() : Walker("rtf", 1) {}

 private:
  Step at(ByteView bytes) override {
    if (closed_) {
      if (bytes.size() < 2) return advance(0, 2);
      if (bytes.u8(0) == '\r' && bytes.u8(1) == '\n') return endsAfter(2);
      return endsAfter(bytes.u8(0) == '\n' || bytes.u8(0) == '\r' ? 1 : 0);
    }
    if (cursor() > kMaxRtfBytes) return notOne();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const std::uint8_t c = bytes.u8(i);
      if (escaped_) {
        escaped_ = false;
        continue;
      }
      if (c == '\\') {
        escaped_ = true;
      } else if (c == '{') {
        ++depth_;
      } else if (c == '}') {
        if (--depth_ == 0) {
          closed_ = true;
          return advance(i + 1, 2);
        }
      } else if (c >= 0x80 || (c < 0x20 && c != '\r' && c != '\n' && c != '\t')) {
        return notOne();  // RTF writes everything else as escapes
      }
    }
    return advance(bytes.size(), 1);
  }

  std::uint64_t depth_ = 0;
  bool escaped_ = false;
  bool closed_ = false;
};

std::unique_ptr<EndFinder> testRtf(ByteView) { return std::make_unique<RtfEnd>(); }

constexpr Signature kSignatures[] = {{0, "{\\rtf"}};

}  // namespace

extern const Format kRtfFormat;
constexpr Format kRtfFormat{"rtf", "RTF document", kSignatures, testRtf};

}  // namespace orvane::engine
