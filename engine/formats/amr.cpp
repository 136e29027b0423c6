// AMR and AMR-WB speech: a magic line, then frames of a length fixed by the
// frame type in their one-byte header. The file ends at the first byte that
// is no frame header (padding bits set, or a type that does not exist).
#include "engine/walker.h"

namespace orvane::engine {
namespace {

// Speech bytes after the header byte, by frame type; 0xFF: no such type.
constexpr std::uint8_t kNarrowBand[16] = {12, 13,   15,   17,   19,   20,   26,   31,
                                          5,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
constexpr std::uint8_t kWideBand[16] = {17, 23, 32,   36,   40,   46,   50, 58,
                                        60, 5,  0xFF, 0xFF, 0xFF, 0xFF, 0,  0};

class AmrEnd final : public Walker {
 public:
  AmrEnd(bool wide, std::size_t magicBytes)
      : Walker(wide ? "awb" : "amr", magicBytes), wide_(wide), magicBytes_(magicBytes) {}

 private:
  Step at(ByteView bytes) override {
    if (cursor() == 0) return advance(magicBytes_, 1);
    std::size_t offset = 0;
    while (offset < bytes.size()) {
      const std::uint8_t header = bytes.u8(offset);
      const std::uint8_t speech = (wide_ ? kWideBand : kNarrowBand)[(header >> 3) & 0x0F];
      // Padding bits must be clear and the frame marked good: zeros after
      // the file are no frames.
      if ((header & 0x83) != 0 || (header & 0x04) == 0 || speech == 0xFF) {
        return frames_ > 0 ? endsAfter(offset) : notOne();
      }
      ++frames_;
      offset += 1u + speech;
    }
    return advance(offset, 1);
  }

  bool wide_;
  std::size_t magicBytes_;
  std::uint64_t frames_ = 0;
};

std::unique_ptr<EndFinder> testAmr(ByteView head) {
  if (head.matches(0, "#!AMR\n")) return std::make_unique<AmrEnd>(false, 6);
  if (head.matches(0, "#!AMR-WB\n")) return std::make_unique<AmrEnd>(true, 9);
  return nullptr;
}

constexpr Signature kSignatures[] = {{0, "#!AMR"}};

}  // namespace

extern const Format kAmrFormat;
constexpr Format kAmrFormat{"amr", "AMR speech", kSignatures, testAmr};

}  // namespace orvane::engine
