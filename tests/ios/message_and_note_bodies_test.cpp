#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fixtures/ios_backup_writer.h"
#include "ios/attributed_body.h"
#include "ios/note_body.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes attributedBody(const std::string& text, int lengthBytes) {
  return fixtures::IosBackupWriter::attributedBody(text, lengthBytes);
}

TEST(AttributedBody, TextOfEachLengthFormAndNothingFromDamage) {
  EXPECT_EQ(attributedBodyText(attributedBody("Running late, 10 min", 1)), "Running late, 10 min");
  const std::string longer(300, 'x');
  EXPECT_EQ(attributedBodyText(attributedBody(longer, 2)), longer);
  EXPECT_EQ(attributedBodyText(attributedBody("Grüße 👋", 4)), "Grüße 👋");

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
Bytes field(int number, Bytes payload) {
  payload.insert(payload.begin(), {static_cast<std::uint8_t>(number << 3 | 2),
                                   static_cast<std::uint8_t>(payload.size())});
  return payload;
}

Bytes gzip(const Bytes& plain) { return fixtures::IosBackupWriter::gzip(plain); }
Bytes noteData(const std::string& text) { return fixtures::IosBackupWriter::noteData(text); }

TEST(NoteBody, TextFromTheGzipProtobufAndNothingFromDamageOrBombs) {
  const std::string text = "Shopping\nmilk, eggs\n" + std::string(200, 'z');
  EXPECT_EQ(noteBodyText(noteData(text)), text);

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
