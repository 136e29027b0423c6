// MPEG transport streams: 188-byte packets that each start with the sync
// byte 0x47, or AVCHD's 192-byte packets (.MTS, .M2TS) that put a 4-byte
// arrival time before each. The stream ends at the first packet without its
// sync byte, or whose continuity counter does not follow the last one of
// its stream: another stream begins there (two clips back to back).
#include <array>

#include "engine/walker.h"

namespace orvane::engine {
namespace {

constexpr std::uint8_t kSync = 0x47;
// Packets the header test wants in its head, all in step, one of them the
// program association table (PID 0) that players start from.
constexpr std::size_t kPacketsChecked = 16;

class TransportStreamEnd final : public Walker {
 public:
  TransportStreamEnd(std::size_t packetBytes, std::size_t syncAt)
      : Walker(packetBytes == 192 ? "mts" : "ts", packetBytes),
        packetBytes_(packetBytes),
        syncAt_(syncAt) {}

 private:
  Step at(ByteView bytes) override {
    const ByteView packet = bytes.from(syncAt_);
    if (packet.u8(0) != kSync) return endsAfter(0);
    const std::uint16_t pid = packet.u16be(1) & 0x1FFF;
    const std::uint8_t control = packet.u8(3);
    const bool payload = (control & 0x10) != 0;
    const bool adaptation = (control & 0x20) != 0;
    // the adaptation field may say the counter starts afresh
    const bool discontinuity = adaptation && packet.u8(4) > 0 && (packet.u8(5) & 0x80) != 0;
    const std::uint8_t counter = control & 0x0F;
    if (payload && pid != 0x1FFF) {
      const std::uint8_t last = lastCounter_[pid];
      // a packet may be sent twice with the same counter
      if (last != kNone && !discontinuity && counter != ((last + 1) & 0x0F) && counter != last) {
        return endsAfter(0);
      }
      lastCounter_[pid] = counter;
    }
    return advance(packetBytes_, packetBytes_);
  }

  static constexpr std::uint8_t kNone = 0xFF;
  std::size_t packetBytes_;
  std::size_t syncAt_;
  std::array<std::uint8_t, 8192> lastCounter_ = [] {
    std::array<std::uint8_t, 8192> none{};
    none.fill(kNone);
    return none;
  }();
};

std::unique_ptr<EndFinder> testTransportStream(ByteView head) {
  for (const std::size_t packetBytes : {std::size_t{188}, std::size_t{192}}) {
    const std::size_t syncAt = packetBytes - 188;
    if (!head.has(0, packetBytes * kPacketsChecked)) return nullptr;
    bool inStep = true;
    bool sawTable = false;
    for (std::size_t packet = 0; packet < kPacketsChecked && inStep; ++packet) {
      const std::size_t at = packet * packetBytes + syncAt;
      inStep = head.u8(at) == kSync && (head.u8(at + 1) & 0x80) == 0;  // no transport error
      const std::uint16_t pid = head.u16be(at + 1) & 0x1FFF;
      const bool unitStart = (head.u8(at + 1) & 0x40) != 0;
      sawTable = sawTable || (pid == 0 && unitStart);
    }
    if (inStep && sawTable) return std::make_unique<TransportStreamEnd>(packetBytes, syncAt);
  }
  return nullptr;
}

constexpr Signature kSignatures[] = {{0, "\x47"}, {4, "\x47"}};

}  // namespace

extern const Format kMpegTsFormat;
constexpr Format kMpegTsFormat{"ts", "MPEG transport stream or AVCHD video", kSignatures,
                               testTransportStream};

}  // namespace orvane::engine
