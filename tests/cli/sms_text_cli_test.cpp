// orvane-cli scan --text-charset: the set reaches the message decoder, and
// a name iconv does not know is a usage error.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_runner.h"
#include "fixtures/ipd_writer.h"

namespace orvane {
namespace {

using fixtures::Field;
using fixtures::IpdWriter;
using testing::runCli;

TEST(CliTextCharset, NamedSetDecodesEightBitTextsAndUnknownSetIsRefused) {
  fixtures::ScratchFolder folder;
  const auto backup = folder / "greek.ipd";
  // "γειά" in ISO-8859-7, a sent eight-bit message of 2012-05-06
  IpdWriter()
      .database("SMS Messages")
      .record(0, {Field::smsMetadata(0, 1336314720000, 0, 1), Field::skip4(2, "+30210"),
                  Field::raw(4, {0xE3, 0xE5, 0xE9, 0xDC, 0x00})})
      .writeTo(backup);
  const struct {
    std::vector<std::string> options;
    std::string text;
  } cases[] = {{{}, "ãåéÜ"}, {{"--text-charset", "ISO-8859-7"}, "γειά"}};
  for (const auto& c : cases) {
    std::vector<std::string> arguments{"scan", "--json", backup.string()};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const auto result = runCli(arguments, "TZ=UTC ");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto line = nlohmann::json::parse(result.out.substr(0, result.out.find('\n')));
    EXPECT_EQ(line["contentText"], c.text);
    EXPECT_EQ(line["type"], "outgoing");
    EXPECT_EQ(line["dateTime"], "05-06-2012 14:32");
  }
  const auto refused = runCli({"scan", backup.string(), "--text-charset", "NO-SUCH-SET"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
}

}  // namespace
}  // namespace orvane
