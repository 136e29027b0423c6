#include "feedback/feedback_message.h"

#include <gtest/gtest.h>

#include <string>

#include "smtp_test_server.h"

namespace orvane {
namespace {

const std::string kHead =
    "Subject: BlackBerry feedBack\r\n"
    "From: support@orvane.test\r\n"
    "To: support@orvane.test\r\n"
    "Date: Thu, 29 Feb 2024 13:05:09 +0000\r\n"
    "Message-ID: <0a1b@orvane.test>\r\n"
    "MIME-Version: 1.0\r\n";

std::string rendered(const std::string& body) {
  return renderMailData(composeFeedBackMessage("support@orvane.test", body), 1709211909,
                        "0a1b@orvane.test");
}

// Plain ASCII goes out as 7bit with CRLF line ends; anything a mail line
// cannot carry (non-ASCII, NUL, a line over 998 characters) goes out in
// base64, malformed UTF-8 replaced so the charset holds.
TEST(FeedBackMessage, RendersEachBodyByteForByte) {
  const std::string ascii = "Content-Type: text/plain; charset=us-ascii\r\n";
  const std::string utf8 = "Content-Type: text/plain; charset=utf-8\r\n";
  const std::string plain = "Content-Transfer-Encoding: 7bit\r\n\r\n";
  const std::string encoded = "Content-Transfer-Encoding: base64\r\n\r\n";
  const std::string fits(998, 'x');
  const std::string tooLong(999, 'x');
  const std::string german =
      "j\xC3\xBCrgen Gr\xC3\xBC\xC3\x9F"
      "e \xE6\x97\xA5 \xF0\x9F\x98\x80";
  const struct {
    std::string body;
    std::string expected;
  } cases[] = {
      {"RegEmail: \nSuggestion:hi", ascii + plain + "RegEmail: \r\nSuggestion:hi\r\n"},
      {"a\r\nb\rc\nd\n", ascii + plain + "a\r\nb\r\nc\r\nd\r\n\r\n"},
      {"a\n" + fits + "\nb", ascii + plain + "a\r\n" + fits + "\r\nb\r\n"},
      {"a\n" + tooLong + "\nb",
       ascii + encoded + testing::base64Lines("a\r\n" + tooLong + "\r\nb")},
      {std::string("a\0b", 3), ascii + encoded + testing::base64Lines(std::string("a\0b", 3))},
      {"x\n" + german, utf8 + encoded + testing::base64Lines("x\r\n" + german)},
      // a lone lead byte, a stray continuation byte and an overlong "/"
      {"a\xC3(b\x80\xC0\xAF",
       utf8 + encoded +
           testing::base64Lines("a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")},
  };
  for (const auto& c : cases) EXPECT_EQ(rendered(c.body), kHead + c.expected) << c.body;
}

TEST(FeedBackMessage, HeaderValuesCannotStartNewHeaders) {
  const auto message = composeFeedBackMessage("s@o.test\r\nBcc: all@o.test", "hi");
  const std::string data = renderMailData(message, 0, "x@o.test\r\nX-Evil: 1");
  const std::string head = data.substr(0, data.find("\r\n\r\n") + 2);
  EXPECT_EQ(head.find("\r\nBcc:"), std::string::npos) << head;
  EXPECT_EQ(head.find("\r\nX-Evil:"), std::string::npos) << head;
}

}  // namespace
}  // namespace orvane
