// RAR archives as RAR 4 and RAR 5 lay them out; bsdtar (libarchive) lists
// and extracts them and checks their header CRCs.
#include "rar_writer.h"

#include <zlib.h>

#include <random>
#include <string_view>

namespace orvane::engine::testing {
namespace {

// Little-endian fields: value and width in bytes.
void put(Bytes& out, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
  for (const auto& [value, width] : fields) {
    for (int i = 0; i < width; ++i) out.push_back(std::byte((value >> (8 * i)) & 0xFF));
  }
}
void putVints(Bytes& out, std::initializer_list<std::uint64_t> values) {
  for (std::uint64_t value : values) {
    for (; value >= 0x80; value >>= 7) out.push_back(std::byte((value & 0x7F) | 0x80));
    out.push_back(std::byte(value));
  }
}
void putText(Bytes& out, std::string_view text) {
  for (char c : text) out.push_back(std::byte(c));
}
std::uint32_t crcOf(const void* data, std::size_t count) {
  return std::uint32_t(crc32(0, static_cast<const Bytef*>(data), uInt(count)));
}
// Version 4: CRC16, type, flags, size, rest. Version 5: CRC32, size, rest.
void header(int version, Bytes& out, const Bytes& rest, std::uint64_t type = 0,
            std::uint64_t flags = 0) {
  Bytes head;
  if (version == 4) put(head, {{type, 1}, {flags, 2}, {7 + rest.size(), 2}});
  if (version == 5) putVints(head, {rest.size()});
  head.insert(head.end(), rest.begin(), rest.end());
  put(out, {{crcOf(head.data(), head.size()), version == 4 ? 2 : 4}});
  out.insert(out.end(), head.begin(), head.end());
}

}  // namespace

Bytes rarArchive(int version, const std::vector<RarFile>& files, bool endBlock, bool locked) {
  using namespace std::string_view_literals;
  Bytes out;
  putText(out, version == 4 ? "Rar!\x1A\x07\x00"sv : "Rar!\x1A\x07\x01\x00"sv);
  const std::size_t markerBytes = out.size();
  version == 4 ? header(4, out, Bytes(6), 0x73) : header(5, out, {std::byte{1}, {}, {}});
  for (const RarFile& file : files) {
    const std::uint64_t size = file.content.size();
    const std::uint32_t crc = crcOf(file.content.data(), file.content.size());
    Bytes rest;
    if (version == 4) {
      // packed and unpacked size, Windows, CRC, 2024-01-01, unpacker 2.9,
      // stored, name size, attributes, the high halves of the sizes
      put(rest, {{size, 4}, {size, 4}, {2, 1}, {crc, 4}, {0x58210000, 4}, {29, 1}, {0x30, 1}});
      put(rest, {{file.name.size(), 2}, {0x20, 4}, {0, file.large ? 8 : 0}});
    } else {
      // file header with data, data size, CRC present, size, attributes, CRC,
      // stored, Windows, name size
      putVints(rest, {2, 2, size, 4, size, 0x20});
      put(rest, {{crc, 4}});
      putVints(rest, {0, 0, file.name.size()});
    }
    putText(rest, file.name);
    header(version, out, rest, 0x74, file.large ? 0x8100 : 0x8000);
    putText(out, file.content);
  }
  if (endBlock)
    version == 4 ? header(4, out, {}, 0x7B, 0x4000) : header(5, out, {std::byte{5}, {}, {}});
  if (!locked) return out;
  // Encryption header: version 0, no password check, KDF count 15, salt.
  Bytes rest = {std::byte{4}, {}, {}, {}, std::byte{15}};
  rest.resize(rest.size() + 16, std::byte{0x5A});
  Bytes lockedOut(out.begin(), out.begin() + std::ptrdiff_t(markerBytes));
  header(5, lockedOut, rest);
  std::mt19937 random(21);
  for (std::size_t i = markerBytes; i < out.size(); ++i)
    lockedOut.push_back(std::byte(random() | 1));
  return lockedOut;
}

}  // namespace orvane::engine::testing
