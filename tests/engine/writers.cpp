#include "writers.h"

#include <zip.h>
#include <zlib.h>

#include <random>
#include <string_view>

namespace orvane::engine::testing {
namespace {

// Little-endian numbers, each with its width in bytes.
void putFields(Bytes& out, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
  for (const auto& [value, width] : fields) {
    for (int i = 0; i < width; ++i) {
      out.push_back(static_cast<std::byte>((value >> (8 * i)) & 0xFF));
    }
  }
}
void putVints(Bytes& out, std::initializer_list<std::uint64_t> values) {
  for (std::uint64_t value : values) {
    for (; value >= 0x80; value >>= 7) out.push_back(std::byte((value & 0x7F) | 0x80));
    out.push_back(std::byte(value));
  }
}
std::uint32_t crcOf(const void* data, std::size_t count) {
  return std::uint32_t(crc32(0, static_cast<const Bytef*>(data), uInt(count)));
}
// Version 4: CRC16, type, flags, size, rest. Version 5: CRC32, size, rest.
void header(int version, Bytes& out, const Bytes& rest, std::uint64_t type = 0,
            std::uint64_t flags = 0) {
  Bytes head;
  if (version == 4) putFields(head, {{type, 1}, {flags, 2}, {7 + rest.size(), 2}});
  if (version == 5) putVints(head, {rest.size()});
  head.insert(head.end(), rest.begin(), rest.end());
  putFields(out, {{crcOf(head.data(), head.size()), version == 4 ? 2 : 4}});
  out.insert(out.end(), head.begin(), head.end());
}

}  // namespace

Bytes zipArchive(const std::vector<ZipEntry>& entries, const std::string& comment) {
  const auto path = scratchFolder() / "archive.zip";
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
  for (const ZipEntry& entry : entries) {
    zip_source_t* data = zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
    const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), data, ZIP_FL_ENC_UTF_8);
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                             entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
  }
  zip_set_archive_comment(archive, comment.data(), static_cast<zip_uint16_t>(comment.size()));
  zip_close(archive);
  return readFile(path);
}

Bytes pdfDocument(int updates, unsigned seed) {
  std::string text = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  const auto object = [&](const std::string& body) {
    offsets.push_back(text.size());
    text += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>");
  std::string stream;
  std::mt19937 random(seed);
  for (unsigned i = 0; i < 3000 + 700 * seed; ++i)
    stream.push_back(static_cast<char>(random() & 0xFF));
  object("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
  const auto trailer = [&](std::size_t firstObject, std::size_t previousXref) {
    const std::size_t xref = text.size();
    text += "xref\n0 1\n0000000000 65535 f \n" + std::to_string(firstObject + 1) + " " +
            std::to_string(offsets.size() - firstObject) + "\n";
    for (std::size_t i = firstObject; i < offsets.size(); ++i) {
      char line[32];
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", offsets[i]);
      text += line;
    }
    text += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R";
    if (previousXref != 0) text += " /Prev " + std::to_string(previousXref);
    text += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return xref;
  };
  std::size_t xref = trailer(0, 0);
  for (int update = 0; update < updates; ++update) {
    const std::size_t first = offsets.size();
    object("<< /Producer (update " + std::to_string(update) + ") >>");
    xref = trailer(first, xref);
  }
  Bytes out;
  putText(out, text);
  return out;
}

Bytes gzipFile(const std::string& content, int members) {
  const auto path = scratchFolder() / "member.gz";
  Bytes out;
  for (int member = 0; member < members; ++member) {
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, content.data(), static_cast<unsigned>(content.size()));
    gzclose(file);
    const Bytes bytes = readFile(path);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

Bytes amrFile(int frames) {
  constexpr std::uint8_t kSpeech[8] = {12, 13, 15, 17, 19, 20, 26, 31};
  Bytes out;
  putText(out, "#!AMR\n");
  std::mt19937 random(9);
  for (int frame = 0; frame < frames; ++frame) {
    const int type = frame % 8;
    out.push_back(static_cast<std::byte>((type << 3) | 0x04));
    for (int i = 0; i < kSpeech[type]; ++i) out.push_back(static_cast<std::byte>(random() & 0xFF));
  }
  return out;
}

Bytes rtfDocument(int paragraphs) {
  std::string text = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}}\r\n{\\info{\\title Notes}}\r\n";
  for (int i = 0; i < paragraphs; ++i) {
    text +=
        "\\pard Paragraph " + std::to_string(i) + " with \\{ braces \\} and \\\\ slashes\\par\r\n";
  }
  text += "}\r\n";
  Bytes out;
  putText(out, text);
  return out;
}

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
      putFields(rest,
                {{size, 4}, {size, 4}, {2, 1}, {crc, 4}, {0x58210000, 4}, {29, 1}, {0x30, 1}});
      putFields(rest, {{file.name.size(), 2}, {0x20, 4}, {0, file.large ? 8 : 0}});
    } else {
      // file header with data, data size, CRC present, size, attributes, CRC,
      // stored, Windows, name size
      putVints(rest, {2, 2, size, 4, size, 0x20});
      putFields(rest, {{crc, 4}});
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
