// GIF: the block walk from the screen descriptor to the trailer (0x3B).
// Extensions and image data are chains of sub-blocks, each led by its size.
#include "engine/walker.h"

namespace orvane::engine {
namespace {

class GifEnd final : public Walker {
 public:
  GifEnd() : Walker("gif", 13) {}

 private:
  enum class State { screen, block, imageDescriptor, subBlocks };

  static std::uint64_t colorTableBytes(std::uint8_t flags) {
    return (flags & 0x80) != 0 ? 3u << ((flags & 0x07) + 1) : 0;
  }

  Step at(ByteView bytes) override {
    switch (state_) {
      case State::screen:
        state_ = State::block;
        return advance(13 + colorTableBytes(bytes.u8(10)), 1);
      case State::block:
        if (bytes.u8(0) == 0x3B) return sawImage_ ? endsAfter(1) : notOne();
        if (bytes.u8(0) == 0x21) {
          if (bytes.size() < 2) return advance(0, 2);
          state_ = State::subBlocks;
          return advance(2, 1);  // introducer and label
        }
        if (bytes.u8(0) == 0x2C) {
          state_ = State::imageDescriptor;
          return advance(0, 10);
        }
        // Anything else: a picture already decoded is kept as it stands.
        return sawImage_ ? endsAfter(0) : notOne();
      case State::imageDescriptor:
        sawImage_ = true;
        state_ = State::subBlocks;
        // descriptor, local colour table, LZW minimum code size
        return advance(10 + colorTableBytes(bytes.u8(9)) + 1, 1);
      case State::subBlocks: {
        std::uint64_t offset = 0;
        while (offset < bytes.size()) {
          const std::uint8_t size = bytes.u8(static_cast<std::size_t>(offset));
          if (size == 0) {
            state_ = State::block;
            return advance(offset + 1, 1);
          }
          offset += 1u + size;
        }
        return advance(offset, 1);
      }
    }
    return notOne();
  }

  State state_ = State::screen;
  bool sawImage_ = false;
};

std::unique_ptr<EndFinder> testGif(ByteView head) {
  if (!head.matches(3, "87a") && !head.matches(3, "89a")) return nullptr;
  if (head.u16le(6) == 0 || head.u16le(8) == 0) return nullptr;
  return std::make_unique<GifEnd>();
}

constexpr Signature kSignatures[] = {{0, "GIF8"}};

}  // namespace

extern const Format kGifFormat;
constexpr Format kGifFormat{"gif", "GIF picture", kSignatures, testGif};

}  // namespace orvane::engine
