// MIDI: the MThd chunk gives the number of tracks; each MTrk chunk gives
// its length. The file ends after the last track.
#include "engine/walker.h"

namespace orvane::engine {
namespace {

class MidiEnd final : public Walker {
 public:
  explicit MidiEnd(std::uint16_t tracks) : Walker("mid", 8), tracks_(tracks) {}

 private:
  Step at(ByteView bytes) override {
    const std::uint64_t chunkBytes = 8 + std::uint64_t{bytes.u32be(4)};
    if (cursor() == 0) return advance(chunkBytes, 8);
    if (!bytes.matches(0, "MTrk")) return seen_ > 0 ? endsAfter(0) : notOne();
    return ++seen_ == tracks_ ? endsAfter(chunkBytes) : advance(chunkBytes, 8);
  }
  std::uint16_t tracks_;
  std::uint16_t seen_ = 0;
};

std::unique_ptr<EndFinder> testMidi(ByteView head) {
  const std::uint16_t format = head.u16be(8);
  const std::uint16_t tracks = head.u16be(10);
  if (head.u32be(4) != 6 || format > 2 || tracks == 0 || !head.matches(14, "MTrk")) return nullptr;
  return std::make_unique<MidiEnd>(tracks);
}

constexpr Signature kSignatures[] = {{0, "MThd"}};

}  // namespace

extern const Format kMidiFormat;
constexpr Format kMidiFormat{"mid", "MIDI music", kSignatures, testMidi};

}  // namespace orvane::engine
