// MP3 (MPEG audio layers I to III): an optional ID3v2 tag, skipped by its
// size, then a walk over the frames, each of a length its header gives; an
// ID3v1 tag ("TAG", 128 bytes) may close the stream.
#include <optional>

#include "engine/walker.h"

namespace orvane::engine {
namespace {

struct FrameHeader {
  std::uint32_t length;
  std::uint32_t kind;  // version, layer and sample rate: constant in a stream
};

// Bit rates in kbit/s by [MPEG-1 or not][layer 1..3][index].
constexpr std::uint16_t kBitRates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
constexpr std::uint32_t kSampleRates[3] = {44100, 48000, 32000};

std::optional<FrameHeader> frameAt(ByteView bytes, std::size_t at) {
  const std::uint32_t header = bytes.u32be(at);
  if (!bytes.has(at, 4) || (header & 0xFFE00000u) != 0xFFE00000u) return std::nullopt;
  const std::uint32_t version = (header >> 19) & 3;  // 0: 2.5, 2: 2, 3: 1
  const std::uint32_t layerBits = (header >> 17) & 3;
  const std::uint32_t rateIndex = (header >> 12) & 15;
  const std::uint32_t sampleIndex = (header >> 10) & 3;
  if (version == 1 || layerBits == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3 ||
      (header & 3) == 2) {
    return std::nullopt;
  }
  const std::uint32_t layer = 4 - layerBits;
  const bool mpeg1 = version == 3;
  const std::uint32_t bitRate = kBitRates[mpeg1 ? 0 : 1][layer - 1][rateIndex] * 1000u;
  std::uint32_t sampleRate = kSampleRates[sampleIndex];
  if (version == 2) sampleRate /= 2;
  if (version == 0) sampleRate /= 4;
  const std::uint32_t padding = (header >> 9) & 1;
  std::uint32_t length = 0;
  if (layer == 1) {
    length = (12 * bitRate / sampleRate + padding) * 4;
  } else if (layer == 3 && !mpeg1) {
    length = 72 * bitRate / sampleRate + padding;
  } else {
    length = 144 * bitRate / sampleRate + padding;
  }
  if (length < 24) return std::nullopt;
  return FrameHeader{length, header & 0xFFFE0C00u};
}

// Size of an ID3v2 tag from its header, footer included; none if the header
// is not one.
std::optional<std::uint64_t> id3Bytes(ByteView bytes) {
  if (!bytes.matches(0, "ID3") || bytes.u8(3) < 2 || bytes.u8(3) > 4 || bytes.u8(4) == 0xFF) {
    return std::nullopt;
  }
  std::uint64_t size = 0;
  for (std::size_t i = 6; i < 10; ++i) {
    if ((bytes.u8(i) & 0x80) != 0) return std::nullopt;  // sizes are 7 bits a byte
    size = (size << 7) | bytes.u8(i);
  }
  const bool footer = (bytes.u8(5) & 0x10) != 0;
  return 10 + size + (footer ? 10 : 0);
}

class Mp3End final : public Walker {
 public:
  Mp3End() : Walker("mp3", 10) {}

 private:
  // A stream needs a few frames in a row before its end is believed: single
  // frame headers turn up by chance in other data.
  static constexpr int kFramesToBelieve = 4;

  Step at(ByteView bytes) override {
    if (cursor() == 0) {
      if (const auto tag = id3Bytes(bytes)) return advance(*tag, 4);
    }
    std::size_t offset = 0;
    while (bytes.has(offset, 4)) {
      const auto frame = frameAt(bytes, offset);
      if (!frame || (frames_ > 0 && frame->kind != kind_))
        return afterFrames(bytes.from(offset), offset);
      kind_ = frame->kind;
      ++frames_;
      offset += frame->length;
    }
    return advance(offset, 4);
  }

  Step afterFrames(ByteView bytes, std::size_t offset) {
    if (frames_ < kFramesToBelieve) return notOne();
    if (bytes.size() < 3) return advance(offset, 3);
    if (bytes.matches(0, "TAG")) return endsAfter(offset + 128);
    return endsAfter(offset);
  }

  std::uint32_t kind_ = 0;
  int frames_ = 0;
};

std::unique_ptr<EndFinder> testMp3(ByteView head) {
  if (const auto tag = id3Bytes(head)) {
    // A tag whose end lies in the head must be followed by a frame; a large
    // one (cover art) is believed on its header alone.
    if (*tag + 4 <= head.size() && !frameAt(head, static_cast<std::size_t>(*tag))) return nullptr;
    return std::make_unique<Mp3End>();
  }
  // Without a tag: four frames of one stream in a row.
  std::size_t offset = 0;
  std::uint32_t kind = 0;
  for (int i = 0; i < 4; ++i) {
    const auto frame = frameAt(head, offset);
    if (!frame || (i > 0 && frame->kind != kind)) return nullptr;
    kind = frame->kind;
    offset += frame->length;
  }
  return std::make_unique<Mp3End>();
}

constexpr Signature kSignatures[] = {{0, "ID3"},      {0, "\xFF\xFB"}, {0, "\xFF\xFA"},
                                     {0, "\xFF\xF3"}, {0, "\xFF\xF2"}, {0, "\xFF\xE3"},
                                     {0, "\xFF\xE2"}, {0, "\xFF\xFD"}, {0, "\xFF\xFC"}};

}  // namespace

extern const Format kMp3Format;
constexpr Format kMp3Format{"mp3", "MP3 sound", kSignatures, testMp3};

}  // namespace orvane::engine
