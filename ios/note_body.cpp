#include "ios/note_body.h"

#include <zlib.h>

#include <limits>
#include <string_view>

#include "core/utf8.h"

namespace orvane {

namespace {

using Bytes = std::span<const std::uint8_t>;

// A note of a few hundred pages inflates to some megabytes; a stream that
// claims more is refused rather than allocated.
constexpr std::size_t kLargestNoteBytes = 64u << 20;

// A protobuf message read field by field: each field is a varint key (the
// field number and a wire type in its low three bits) and its value.
class ProtobufReader {
 public:
  explicit ProtobufReader(Bytes message) : bytes_(message) {}

  // The payload of the first length-delimited field numbered `wanted`;
  // nothing when it is absent or the message is damaged before it.
  std::optional<Bytes> lengthDelimited(std::uint64_t wanted) {
    while (at_ < bytes_.size()) {
      const auto key = varint();
      if (!key) return std::nullopt;
      const std::uint64_t field = *key >> 3;
      switch (*key & 7) {
        case 0:  // varint
          if (!varint()) return std::nullopt;
          break;
        case 1:  // 64-bit
          if (!skip(8)) return std::nullopt;
          break;
        case 5:  // 32-bit
          if (!skip(4)) return std::nullopt;
          break;
        case 2: {
          const auto length = varint();
          if (!length || *length > bytes_.size() - at_) return std::nullopt;
          const Bytes payload = bytes_.subspan(at_, static_cast<std::size_t>(*length));
          at_ += static_cast<std::size_t>(*length);
          if (field == wanted) return payload;
          break;
        }
        default:  // groups (3, 4) and unknown types end the walk
          return std::nullopt;
      }
    }
    return std::nullopt;
  }

 private:
  std::optional<std::uint64_t> varint() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64 && at_ < bytes_.size(); shift += 7) {
      const std::uint8_t byte = bytes_[at_++];
      value |= std::uint64_t{byte & 0x7Fu} << shift;
      if ((byte & 0x80) == 0) return value;
    }
    return std::nullopt;
  }

  bool skip(std::size_t count) {
    if (count > bytes_.size() - at_) return false;
    at_ += count;
    return true;
  }

  Bytes bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> inflateStream(Bytes compressed, std::size_t largestBytes) {
  if (compressed.empty() || compressed.size() > std::numeric_limits<uInt>::max()) {
    return std::nullopt;
  }
  z_stream stream{};
  // 32 + 15: a gzip or zlib header, told by its first bytes
  if (::inflateInit2(&stream, 32 + MAX_WBITS) != Z_OK) return std::nullopt;
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::vector<std::uint8_t> out;
  int status = Z_OK;
  std::uint8_t chunk[16384];
  while (status == Z_OK) {
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    status = ::inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;
    const std::size_t produced = sizeof chunk - stream.avail_out;
    if (out.size() + produced > largestBytes) {
      status = Z_MEM_ERROR;
      break;
    }
    out.insert(out.end(), chunk, chunk + produced);
    if (status == Z_OK && produced == 0 && stream.avail_in == 0) status = Z_BUF_ERROR;
  }
  ::inflateEnd(&stream);
  if (status != Z_STREAM_END) return std::nullopt;
  return out;
}

std::optional<std::string> noteTextOfProtobuf(Bytes message) {
  const auto document = ProtobufReader(message).lengthDelimited(2);
  if (!document) return std::nullopt;
  const auto note = ProtobufReader(*document).lengthDelimited(3);
  if (!note) return std::nullopt;
  const auto text = ProtobufReader(*note).lengthDelimited(2);
  if (!text) return std::nullopt;
  std::string result(reinterpret_cast<const char*>(text->data()), text->size());
  if (!isValidUtf8(result)) return std::nullopt;
  return result;
}

std::optional<std::string> noteBodyText(Bytes zdata) {
  const auto inflated = inflateStream(zdata, kLargestNoteBytes);
  if (!inflated) return std::nullopt;
  return noteTextOfProtobuf(*inflated);
}

}  // namespace orvane
