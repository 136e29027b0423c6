// GZ: the end of a member is where its deflate stream and 8-byte trailer
// end, which only inflating finds (the trailer carries no marker). zlib
// inflates it block by block into a scratch buffer and checks the CRC;
// members that follow one another are one file.
#include <zlib.h>

#include <array>

#include "engine/end_finder.h"

namespace orvane::engine {
namespace {

class GzipEnd final : public EndFinder {
 public:
  GzipEnd() { ready_ = inflateInit2(&stream_, 16 + MAX_WBITS) == Z_OK; }
  ~GzipEnd() override {
    if (ready_) inflateEnd(&stream_);
  }
  GzipEnd(const GzipEnd&) = delete;
  GzipEnd& operator=(const GzipEnd&) = delete;

  Verdict feed(ByteView block) override {
    if (!ready_) return Verdict::notOne();
    std::size_t index = 0;
    while (index < block.size()) {
      if (betweenMembers_) {
        // Another member must start right here, or the file ended.
        const std::uint8_t expected[3] = {0x1F, 0x8B, 0x08};
        if (block.u8(index) != expected[seenOfNext_]) return Verdict::endsAt(memberEnd_);
        ++index;
        if (++seenOfNext_ == 3) {
          betweenMembers_ = false;
          inflateReset(&stream_);
          const Bytef head[3] = {0x1F, 0x8B, 0x08};
          if (!inflatePart(head, 3)) return Verdict::notOne();
        }
        continue;
      }
      const std::size_t before = index;
      const std::size_t count = block.size() - index;
      const auto* from = reinterpret_cast<const Bytef*>(block.data() + index);
      const int result = inflateSome(from, count, index);
      if (result == Z_STREAM_END) {
        memberEnd_ = fed_ + index;
        betweenMembers_ = true;
        seenOfNext_ = 0;
      } else if (result != Z_OK && result != Z_BUF_ERROR) {
        return members_ > 0 ? Verdict::endsAt(memberEnd_) : Verdict::notOne();
      }
      if (index == before && result != Z_STREAM_END) break;
    }
    fed_ += block.size();
    return Verdict::goOn();
  }

  Verdict finish(std::uint64_t fedLength) override {
    return Verdict::endsAt(betweenMembers_ ? memberEnd_ : fedLength);
  }
  std::string_view extension() const override { return "gz"; }

 private:
  // Inflates from `from` until the input is used or the member ends;
  // `index` moves on by the bytes used.
  int inflateSome(const Bytef* from, std::size_t count, std::size_t& index) {
    stream_.next_in = const_cast<Bytef*>(from);
    stream_.avail_in = static_cast<uInt>(std::min<std::size_t>(count, 1u << 30));
    int result = Z_OK;
    while (stream_.avail_in > 0) {
      stream_.next_out = scratch_.data();
      stream_.avail_out = static_cast<uInt>(scratch_.size());
      result = inflate(&stream_, Z_NO_FLUSH);
      if (result == Z_STREAM_END) {
        ++members_;
        break;
      }
      if (result != Z_OK) break;
    }
    index += static_cast<std::size_t>(stream_.next_in - from);
    return result;
  }
  bool inflatePart(const Bytef* from, std::size_t count) {
    std::size_t used = 0;
    const int result = inflateSome(from, count, used);
    return result == Z_OK || result == Z_BUF_ERROR;
  }

  z_stream stream_{};
  bool ready_ = false;
  bool betweenMembers_ = false;
  int seenOfNext_ = 0;
  int members_ = 0;
  std::uint64_t fed_ = 0;
  std::uint64_t memberEnd_ = 0;
  // Inflated bytes are thrown away: the buffer is not cleared first, which
  // for a candidate that fails in its first block was most of its cost.
  std::array<Bytef, 64 * 1024> scratch_;
};

std::unique_ptr<EndFinder> testGzip(ByteView head) {
  // Reserved flag bits clear, a known operating system byte.
  if ((head.u8(3) & 0xE0) != 0 || (head.u8(9) > 13 && head.u8(9) != 255)) return nullptr;
  return std::make_unique<GzipEnd>();
}

constexpr Signature kSignatures[] = {{0, "\x1F\x8B\x08"}};

}  // namespace

extern const Format kGzipFormat;
constexpr Format kGzipFormat{"gz", "gzip archive", kSignatures, testGzip};

}  // namespace orvane::engine
