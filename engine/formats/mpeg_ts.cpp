// MPEG transport streams: 188-byte packets that each start with the sync
// byte 0x47, or AVCHD's 192-byte packets (.MTS, .M2TS) that put a 4-byte
// arrival time before each. The stream ends at the first packet without its
// sync byte.
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
    if (bytes.u8(syncAt_) != kSync) return endsAfter(0);
    return advance(packetBytes_, packetBytes_);
  }

  std::size_t packetBytes_;
  std::size_t syncAt_;
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
