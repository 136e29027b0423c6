// FLAC: "fLaC", metadata blocks (a last-block flag and a 24-bit length
// each), then audio frames. A frame carries no length of its own, and its
// sync code turns up inside compressed audio, so each frame is measured by
// reading through its subframes (a constant, verbatim samples, or predictor
// warm-up and Rice-coded residuals). The next frame must follow at once and
// carry the next frame (or sample) number; a frame that no such header
// follows (the last, or one before damage) must pass its CRC-16. The file
// ends after the frame that completes the sample count STREAMINFO gives;
// when that count is unknown (a stream written to a pipe) or never reached
// (a cut file), it ends after the last frame that checks out.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

#include "engine/walker.h"

namespace orvane::engine {
namespace {

constexpr std::size_t kFrameHeaderMax = 16;
// Frames are measured whole; a frame this large is no frame an encoder
// writes (8 channels of 4608 24-bit samples take 110 KiB).
constexpr std::size_t kFrameMax = 1u << 20;
constexpr std::size_t kFrameGrowth = 4096;

template <unsigned Bits, std::uint32_t Poly>
constexpr std::array<std::uint16_t, 256> crcTable() {
  std::array<std::uint16_t, 256> table{};
  constexpr std::uint32_t top = 1u << (Bits - 1);
  constexpr std::uint32_t mask = (1u << Bits) - 1;
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i << (Bits - 8);
    for (int bit = 0; bit < 8; ++bit) crc = ((crc & top) != 0 ? (crc << 1) ^ Poly : crc << 1);
    table[i] = static_cast<std::uint16_t>(crc & mask);
  }
  return table;
}
constexpr auto kCrc8 = crcTable<8, 0x07>();
constexpr auto kCrc16 = crcTable<16, 0x8005>();

std::uint8_t crc8(ByteView bytes, std::size_t count) {
  std::uint8_t crc = 0;
  for (std::size_t i = 0; i < count; ++i) crc = static_cast<std::uint8_t>(kCrc8[crc ^ bytes.u8(i)]);
  return crc;
}

// The CRC-16 over a frame with its own CRC at the end comes out zero.
bool crc16Clean(const std::byte* bytes, std::size_t count) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const auto byte = std::to_integer<std::uint8_t>(bytes[i]);
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrc16[(crc >> 8) ^ byte]);
  }
  return crc == 0;
}

// Reads bits most significant first. Reads past the end give zeros and set
// over(): the caller then wants more bytes, not a verdict.
class BitReader {
 public:
  explicit BitReader(ByteView bytes) : bytes_(bytes), limit_(std::uint64_t{bytes.size()} * 8) {}
  std::uint32_t take(unsigned count) {  // 1 to 32 bits
    const std::uint64_t value = (window() << (position_ & 7)) >> (64 - count);
    position_ += count;
    return static_cast<std::uint32_t>(value);
  }
  void skip(std::uint64_t count) { position_ += count; }
  // Passes `count` Rice codes: a unary quotient (zeros ended by a one),
  // then `parameter` low bits. One load serves several codes.
  void skipRice(std::uint32_t count, unsigned parameter) {
    while (count > 0) {
      if (position_ >= limit_) {
        position_ = limit_ + 1;
        return;
      }
      const unsigned valid = 64 - static_cast<unsigned>(position_ & 7);
      std::uint64_t bits = window() << (position_ & 7);  // zeros after the valid bits
      if (bits == 0) {                                   // part of a long quotient
        position_ += valid;
        continue;
      }
      std::uint64_t used = 0;
      do {
        const std::uint64_t code = static_cast<unsigned>(std::countl_zero(bits)) + 1u + parameter;
        used += code;
        --count;
        if (used >= valid) break;
        bits <<= code;
      } while (count > 0 && bits != 0);
      position_ += used;
    }
  }
  bool over() const { return position_ > limit_; }
  std::uint64_t byteLength() const { return (position_ + 7) / 8; }

 private:
  // Eight bytes from the one holding the current bit, big-endian.
  std::uint64_t window() const {
    const auto at = static_cast<std::size_t>(position_ / 8);
    std::uint64_t value = 0;
    if (bytes_.has(at, 8)) {
      std::memcpy(&value, bytes_.data() + at, 8);
      return std::endian::native == std::endian::little ? __builtin_bswap64(value) : value;
    }
    for (std::size_t i = 0; i < 8; ++i) value = (value << 8) | bytes_.u8(at + i);
    return value;
  }
  ByteView bytes_;
  std::uint64_t limit_;
  std::uint64_t position_ = 0;
};

struct StreamInfo {
  std::uint32_t maxBlockSize;
  std::uint32_t channels;
  std::uint32_t bitsPerSample;
  std::uint64_t totalSamples;  // 0: not known
};

struct FrameHeader {
  std::size_t length;  // CRC-8 included
  bool variableBlocks;
  std::uint64_t number;  // of the frame, or of its first sample with variable blocks
  std::uint32_t blockSize;
  std::uint32_t channelAssignment;
  std::uint32_t bitsPerSample;
};

std::optional<FrameHeader> frameHeader(ByteView bytes, const StreamInfo& info) {
  if ((bytes.u16be(0) & 0xFFFE) != 0xFFF8 || (bytes.u8(3) & 1) != 0) return std::nullopt;
  FrameHeader header{};
  header.variableBlocks = (bytes.u8(1) & 1) != 0;
  const std::uint32_t blockCode = bytes.u8(2) >> 4;
  const std::uint32_t rateCode = bytes.u8(2) & 15;
  header.channelAssignment = bytes.u8(3) >> 4;
  constexpr std::uint32_t kSampleBits[8] = {0, 8, 12, 0, 16, 20, 24, 32};
  const std::uint32_t sizeCode = (bytes.u8(3) >> 1) & 7;
  header.bitsPerSample = sizeCode == 0 ? info.bitsPerSample : kSampleBits[sizeCode];
  const std::uint32_t channels = header.channelAssignment < 8 ? header.channelAssignment + 1 : 2;
  if (blockCode == 0 || rateCode == 15 || header.channelAssignment > 10 || sizeCode == 3 ||
      channels != info.channels) {
    return std::nullopt;
  }
  // The number is coded like UTF-8, up to 36 bits in 7 bytes.
  const std::uint8_t lead = bytes.u8(4);
  const auto extra = static_cast<std::size_t>(std::countl_one(lead));
  if (extra == 1 || extra == 8) return std::nullopt;
  header.number = lead & (0x7Fu >> extra);
  std::size_t at = 5;
  for (std::size_t i = 1; i < extra; ++i, ++at) {
    if ((bytes.u8(at) & 0xC0) != 0x80) return std::nullopt;
    header.number = (header.number << 6) | (bytes.u8(at) & 0x3Fu);
  }
  if (blockCode == 1) {
    header.blockSize = 192;
  } else if (blockCode <= 5) {
    header.blockSize = 576u << (blockCode - 2);
  } else if (blockCode == 6) {
    header.blockSize = bytes.u8(at++) + 1u;
  } else if (blockCode == 7) {
    header.blockSize = bytes.u16be(at) + 1u;
    at += 2;
  } else {
    header.blockSize = 256u << (blockCode - 8);
  }
  if (rateCode == 12) at += 1;
  if (rateCode == 13 || rateCode == 14) at += 2;
  if (header.blockSize > info.maxBlockSize || !bytes.has(at, 1) || crc8(bytes, at) != bytes.u8(at))
    return std::nullopt;
  header.length = at + 1;
  return header;
}

bool skipResidual(BitReader& bits, std::uint32_t blockSize, std::uint32_t order) {
  const std::uint32_t method = bits.take(2);
  if (method > 1) return false;
  const unsigned parameterBits = method == 0 ? 4 : 5;
  const std::uint32_t escape = (1u << parameterBits) - 1;
  const std::uint32_t partitionOrder = bits.take(4);
  const std::uint32_t perPartition = blockSize >> partitionOrder;
  if ((perPartition << partitionOrder) != blockSize || perPartition < order) return false;
  for (std::uint32_t partition = 0; partition < (1u << partitionOrder); ++partition) {
    const std::uint32_t samples = perPartition - (partition == 0 ? order : 0);
    const std::uint32_t parameter = bits.take(parameterBits);
    if (parameter == escape) {
      bits.skip(std::uint64_t{samples} * bits.take(5));
      continue;
    }
    bits.skipRice(samples, parameter);
    if (bits.over()) return false;
  }
  return true;
}

bool skipSubframe(BitReader& bits, std::uint32_t blockSize, std::uint32_t sampleBits) {
  if (bits.take(1) != 0) return false;
  const std::uint32_t type = bits.take(6);
  if (bits.take(1) != 0) {
    // Wasted bits: low bits zero in every sample, counted in unary.
    std::uint32_t wasted = 1;
    while (bits.take(1) == 0 && wasted < sampleBits) ++wasted;
    if (wasted >= sampleBits) return false;
    sampleBits -= wasted;
  }
  if (type == 0) {
    bits.skip(sampleBits);
    return true;
  }
  if (type == 1) {
    bits.skip(std::uint64_t{blockSize} * sampleBits);
    return true;
  }
  std::uint32_t order = 0;
  if (type >= 8 && type <= 12) {
    order = type - 8;
    bits.skip(std::uint64_t{order} * sampleBits);
  } else if (type >= 32) {
    order = type - 31;
    bits.skip(std::uint64_t{order} * sampleBits);
    const std::uint32_t precision = bits.take(4) + 1;
    if (precision == 16) return false;
    bits.skip(5 + std::uint64_t{order} * precision);
  } else {
    return false;
  }
  return skipResidual(bits, blockSize, order);
}

enum class Measure { whole, wantMore, broken };

// The frame's length, CRC-16 included, when its subframes read through.
Measure measureFrame(ByteView bytes, const FrameHeader& header, std::uint64_t& frameLength) {
  BitReader bits(bytes);
  bits.skip(header.length * 8);
  const std::uint32_t channels = header.channelAssignment < 8 ? header.channelAssignment + 1 : 2;
  for (std::uint32_t channel = 0; channel < channels; ++channel) {
    // The side channel of a stereo pair takes one bit more.
    const bool side = (header.channelAssignment == 8 && channel == 1) ||
                      (header.channelAssignment == 9 && channel == 0) ||
                      (header.channelAssignment == 10 && channel == 1);
    if (!skipSubframe(bits, header.blockSize, header.bitsPerSample + (side ? 1 : 0)))
      return bits.over() ? Measure::wantMore : Measure::broken;
  }
  if (bits.over()) return Measure::wantMore;
  frameLength = bits.byteLength() + 2;
  return frameLength > bytes.size() ? Measure::wantMore : Measure::whole;
}

class FlacEnd final : public Walker {
 public:
  FlacEnd() : Walker("flac", 4) {}

 private:
  Step at(ByteView bytes) override {
    if (cursor() == 0) return advance(4, 4);
    if (!inFrames_) return metadataBlock(bytes);
    const auto header = frameHeader(bytes, info_);
    const std::uint64_t expected = header && header->variableBlocks ? samples_ : frames_;
    if (!header || header->number != expected ||
        (frames_ > 0 && header->variableBlocks != variableBlocks_)) {
      return endsAfter(0);
    }
    // Room for verbatim samples twice over: no encoder writes a frame larger.
    const std::uint64_t bound = std::min<std::uint64_t>(
        kFrameMax, 64 + 2 * std::uint64_t{info_.channels} * (header->blockSize + 1) *
                            (header->bitsPerSample + 1) / 8);
    std::uint64_t frameLength = 0;
    switch (measureFrame(bytes.first(static_cast<std::size_t>(bound)), *header, frameLength)) {
      case Measure::broken:
        return endsAfter(0);
      case Measure::wantMore:
        // A quarter more at a time (so a long frame is not measured over
        // and over): asking for the whole bound could wait for bytes past
        // the end of the device.
        if (bytes.size() >= bound) return endsAfter(0);
        return advance(0, static_cast<std::size_t>(std::min<std::uint64_t>(
                              bound, bytes.size() + std::max(kFrameGrowth, bytes.size() / 4))));
      case Measure::whole:
        break;
    }
    if (!vouchedByNext(bytes, *header, frameLength) &&
        !crc16Clean(bytes.data(), static_cast<std::size_t>(frameLength))) {
      return endsAfter(0);
    }
    variableBlocks_ = header->variableBlocks;
    ++frames_;
    samples_ += header->blockSize;
    if (info_.totalSamples != 0 && samples_ >= info_.totalSamples) return endsAfter(frameLength);
    return advance(frameLength, kFrameHeaderMax);
  }

  // The next frame's header, with its own CRC-8 and the number that must
  // come next, right where this frame was measured to end is proof enough;
  // the CRC-16 (a pass over every byte) is left for the frames without one.
  bool vouchedByNext(ByteView bytes, const FrameHeader& header, std::uint64_t frameLength) const {
    const ByteView after = bytes.from(static_cast<std::size_t>(frameLength));
    if (after.size() < kFrameHeaderMax) return false;
    const auto next = frameHeader(after, info_);
    return next && next->variableBlocks == header.variableBlocks &&
           next->number == (header.variableBlocks ? samples_ + header.blockSize : frames_ + 1);
  }

  Step metadataBlock(ByteView bytes) {
    const std::uint8_t type = bytes.u8(0) & 0x7F;
    const std::uint32_t blockLength = bytes.u24be(1);
    if (type == 127) return notOne();
    if (cursor() == 4) {
      if (bytes.size() < 4 + 34) return advance(0, 4 + 34);
      // STREAMINFO: block sizes, frame sizes, then rate, channels, sample
      // bits and total samples packed in 64 bits.
      const std::uint64_t packed = bytes.u64be(4 + 10);
      info_ = {bytes.u16be(4 + 2), static_cast<std::uint32_t>((packed >> 41) & 7) + 1,
               static_cast<std::uint32_t>((packed >> 36) & 31) + 1, packed & 0xFFFFFFFFFull};
    }
    inFrames_ = (bytes.u8(0) & 0x80) != 0;
    return advance(4 + std::uint64_t{blockLength}, inFrames_ ? kFrameHeaderMax : 4);
  }

  StreamInfo info_{};
  bool inFrames_ = false;
  bool variableBlocks_ = false;
  std::uint64_t frames_ = 0;
  std::uint64_t samples_ = 0;
};

std::unique_ptr<EndFinder> testFlac(ByteView head) {
  // STREAMINFO comes first, 34 bytes long, with sane block sizes and rate.
  if (!head.matches(0, "fLaC") || (head.u8(4) & 0x7F) != 0 || head.u24be(5) != 34) return nullptr;
  const std::uint32_t minBlock = head.u16be(8);
  const std::uint32_t maxBlock = head.u16be(10);
  const std::uint32_t sampleRate = head.u24be(18) >> 4;
  if (minBlock < 16 || maxBlock < minBlock || sampleRate == 0 || sampleRate > 655350)
    return nullptr;
  return std::make_unique<FlacEnd>();
}

constexpr Signature kSignatures[] = {{0, "fLaC"}};

}  // namespace

extern const Format kFlacFormat;
constexpr Format kFlacFormat{"flac", "FLAC sound", kSignatures, testFlac};

}  // namespace orvane::engine
