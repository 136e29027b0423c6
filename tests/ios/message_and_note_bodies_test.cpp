#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ios/attributed_body.h"
#include "ios/note_body.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

// An attributedBody as Messages archives it: the typedstream header, the
// class chain NSAttributedString < NSObject, NSString, then '+' and the
// text with its length; attributes follow.
Bytes attributedBody(const std::string& text, int lengthBytes) {
  Bytes out;
  append(out, "\x04\x0bstreamtyped\x81\xe8\x03\x84\x01\x40\x84\x84\x84\x12NSAttributedString");
  append(out,
         std::string("\x00\x84\x84\x08NSObject\x00\x85\x92\x84\x84\x84\x08NSString\x01\x94", 33));
  append(out, "\x84\x01+");
  const auto size = text.size();
  if (lengthBytes == 1) out.push_back(static_cast<std::uint8_t>(size));
  if (lengthBytes == 2) out.insert(out.end(), {0x81, std::uint8_t(size), std::uint8_t(size >> 8)});
  if (lengthBytes == 4) {
    out.insert(out.end(), {0x82, std::uint8_t(size), std::uint8_t(size >> 8),
                           std::uint8_t(size >> 16), std::uint8_t(size >> 24)});
  }
  append(out, text);
  append(out, "\x86\x84\x02iI\x01\x05\x92\x84\x84\x84\x0cNSDictionary");
  return out;
}

TEST(AttributedBody, TextOfEachLengthForm) {
  EXPECT_EQ(attributedBodyText(attributedBody("Running late, 10 min", 1)), "Running late, 10 min");
  const std::string longer(300, 'x');
  EXPECT_EQ(attributedBodyText(attributedBody(longer, 2)), longer);
  EXPECT_EQ(attributedBodyText(attributedBody("Grüße 👋", 4)), "Grüße 👋");
}

TEST(AttributedBody, DamagedBlobsGiveNothing) {
  Bytes cut = attributedBody(std::string(300, 'x'), 2);
  cut.resize(cut.size() - 320);  // inside the text
  EXPECT_EQ(attributedBodyText(cut), std::nullopt);
  Bytes notStream = attributedBody("hi", 1);
  notStream[2] = 'S';
  EXPECT_EQ(attributedBodyText(notStream), std::nullopt);
  EXPECT_EQ(attributedBodyText(attributedBody("\xff\xfe", 1)), std::nullopt);
  EXPECT_EQ(attributedBodyText({}), std::nullopt);
  Bytes lengthCut = attributedBody("hi", 4);
  lengthCut.resize(lengthCut.size() - 30);  // inside the four length bytes
  EXPECT_EQ(attributedBodyText(lengthCut), std::nullopt);
}

// Protobuf fields: a key (number << 3 | wire type) and a payload.
Bytes field(int number, const Bytes& payload) {
  Bytes out{static_cast<std::uint8_t>(number << 3 | 2)};
  std::size_t length = payload.size();
  do {
    out.push_back(static_cast<std::uint8_t>((length & 0x7F) | (length > 0x7F ? 0x80 : 0)));
    length >>= 7;
  } while (length != 0);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes gzip(const Bytes& plain) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&stream, plain.size()) + 32);
  stream.next_in = const_cast<Bytef*>(plain.data());
  stream.avail_in = static_cast<uInt>(plain.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// What Notes stores: version (field 1, a varint), then the document with
// its version and the note, whose text is field 2 and attribute runs follow.
Bytes noteData(const std::string& text) {
  const Bytes note = [&] {
    Bytes n = field(2, Bytes(text.begin(), text.end()));
    const Bytes run = field(5, {0x08, 0x05});
    n.insert(n.end(), run.begin(), run.end());
    return n;
  }();
  Bytes document{0x08, 0x00, 0x10, 0x00};
  const Bytes noteField = field(3, note);
  document.insert(document.end(), noteField.begin(), noteField.end());
  Bytes top{0x08, 0x00};
  const Bytes documentField = field(2, document);
  top.insert(top.end(), documentField.begin(), documentField.end());
  return gzip(top);
}

TEST(NoteBody, TextFromTheGzipProtobuf) {
  const std::string text = "Shopping\nmilk, eggs\n" + std::string(200, 'z');
  EXPECT_EQ(noteBodyText(noteData(text)), text);
}

TEST(NoteBody, DamageAndBombsGiveNothing) {
  Bytes cut = noteData("Shopping list");
  cut.resize(cut.size() / 2);
  EXPECT_EQ(noteBodyText(cut), std::nullopt);
  EXPECT_EQ(noteBodyText(gzip({0x08, 0x00})), std::nullopt);            // no document
  EXPECT_EQ(noteBodyText(gzip(field(2, {0x1a, 0x7f}))), std::nullopt);  // length past the end
  EXPECT_EQ(noteBodyText(Bytes{'n', 'o', 't', ' ', 'g', 'z'}), std::nullopt);
  const Bytes zeros(1 << 20, 0);
  EXPECT_EQ(inflateStream(gzip(zeros), 1000), std::nullopt);
  EXPECT_EQ(inflateStream(gzip(zeros), zeros.size()), zeros);
}

}  // namespace
}  // namespace orvane
