// ASF (WMA, WMV): the header object holds a file properties object whose
// file size field is the whole file's length; a stream properties object
// of the video type makes it a WMV. GUIDs are stored with their first three
// fields little-endian.
#include "engine/walker.h"

namespace orvane::engine {
namespace {

constexpr std::string_view kFileProperties =
    "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65";
constexpr std::string_view kStreamProperties =
    "\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65";
constexpr std::string_view kVideoMedia =
    "\xC0\xEF\x19\xBC\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B";
constexpr std::uint64_t kMaxHeaderBytes = 1u << 20;

class AsfEnd final : public Walker {
 public:
  explicit AsfEnd(std::uint64_t headerBytes)
      : Walker("wma", static_cast<std::size_t>(headerBytes)) {}

 private:
  // The whole header object is in hand: 30 bytes, then its objects.
  Step at(ByteView bytes) override {
    std::uint64_t fileBytes = 0;
    const std::uint64_t headerBytes = bytes.u64le(16);
    for (std::uint64_t at = 30; at + 24 <= headerBytes;) {
      const auto offset = static_cast<std::size_t>(at);
      const std::uint64_t objectBytes = bytes.u64le(offset + 16);
      // a size past the header would wrap the walk round to its start
      if (objectBytes < 24 || objectBytes > headerBytes - at) break;
      if (bytes.matches(offset, kFileProperties)) fileBytes = bytes.u64le(offset + 40);
      if (bytes.matches(offset, kStreamProperties) && bytes.matches(offset + 24, kVideoMedia)) {
        extension_ = "wmv";
      }
      at += objectBytes;
    }
    return fileBytes >= headerBytes ? endsAfter(fileBytes) : notOne();
  }
};

std::unique_ptr<EndFinder> testAsf(ByteView head) {
  const std::uint64_t headerBytes = head.u64le(16);
  if (headerBytes < 30 + 24 || headerBytes > kMaxHeaderBytes || head.u8(29) != 2) return nullptr;
  return std::make_unique<AsfEnd>(headerBytes);
}

constexpr Signature kSignatures[] = {
    {0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"}};

}  // namespace

extern const Format kAsfFormat;
constexpr Format kAsfFormat{"wma", "Windows Media sound or video", kSignatures, testAsf};

}  // namespace orvane::engine
