#include "feedback/feedback_message.h"

#include <gtest/gtest.h>

#include <string>

#include "smtp_test_server.h"

namespace orvane {
namespace {

using testing::fromBase64Lines;
using testing::splitMail;

TEST(FeedBackMessage, AsciiBodyGoesOutAsDescribed) {
  const auto message = composeFeedBackMessage("support@orvane.test", "RegEmail: \nSuggestion:hi");
  EXPECT_EQ(message.subject, "BlackBerry feedBack");
  EXPECT_EQ(message.from, "support@orvane.test");
  EXPECT_EQ(message.to, "support@orvane.test");
  EXPECT_EQ(message.contentType, "text/plain");
  EXPECT_EQ(message.charset, "us-ascii");
  EXPECT_EQ(message.transferEncoding, "7bit");

  EXPECT_EQ(renderMailData(message, 1709211909, "0a1b@orvane.test"),
            "Subject: BlackBerry feedBack\r\n"
            "From: support@orvane.test\r\n"
            "To: support@orvane.test\r\n"
            "Date: Thu, 29 Feb 2024 13:05:09 +0000\r\n"
            "Message-ID: <0a1b@orvane.test>\r\n"
            "MIME-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=us-ascii\r\n"
            "Content-Transfer-Encoding: 7bit\r\n"
            "\r\n"
            "RegEmail: \r\n"
            "Suggestion:hi\r\n");
}

TEST(FeedBackMessage, EveryLineBreakBecomesCrlfAndTrailingBreaksStay) {
  const auto message = composeFeedBackMessage("s@o.test", "a\r\nb\rc\nd\n");
  EXPECT_EQ(splitMail(renderMailData(message, 0, "x@o.test")).body, "a\r\nb\r\nc\r\nd\r\n\r\n");
}

TEST(FeedBackMessage, NonAsciiBodyIsKeptAsUtf8) {
  const std::string body =
      "RegEmail: j\xC3\xBCrgen@example.de\nSuggestion:Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
  const auto message = composeFeedBackMessage("s@o.test", body);
  EXPECT_EQ(message.charset, "utf-8");
  EXPECT_EQ(message.transferEncoding, "base64");
  EXPECT_EQ(message.body, body);

  const auto parts = splitMail(renderMailData(message, 0, "x@o.test"));
  EXPECT_EQ(parts.headers.at(6), "Content-Type: text/plain; charset=utf-8");
  EXPECT_EQ(parts.headers.at(7), "Content-Transfer-Encoding: base64");
  EXPECT_EQ(fromBase64Lines(parts.body),
            "RegEmail: j\xC3\xBCrgen@example.de\r\nSuggestion:Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");
}

TEST(FeedBackMessage, MalformedUtf8IsReplacedSoTheCharsetHolds) {
  // a lone lead byte, a stray continuation byte and an overlong "/"
  const auto message = composeFeedBackMessage("s@o.test", "a\xC3(b\x80\xC0\xAF");
  EXPECT_EQ(message.charset, "utf-8");
  EXPECT_EQ(message.body, "a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(FeedBackMessage, LinesTooLongForMailAndNulBytesAreEncodedButStayAscii) {
  const std::string fits(998, 'x');
  EXPECT_EQ(composeFeedBackMessage("s@o.test", "a\n" + fits + "\nb").transferEncoding, "7bit");
  const auto withNul = composeFeedBackMessage("s@o.test", std::string("a\0b", 3));
  EXPECT_EQ(withNul.charset, "us-ascii");
  EXPECT_EQ(withNul.transferEncoding, "base64");

  const std::string tooLong(999, 'x');
  const auto message = composeFeedBackMessage("s@o.test", "a\n" + tooLong + "\nb");
  EXPECT_EQ(message.charset, "us-ascii");
  EXPECT_EQ(message.transferEncoding, "base64");
  const auto parts = splitMail(renderMailData(message, 0, "x@o.test"));
  for (std::size_t at = 0; at < parts.body.size();) {
    const std::size_t end = parts.body.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "base64 line without CRLF";
    EXPECT_LE(end - at, 76u);
    at = end + 2;
  }
  EXPECT_EQ(fromBase64Lines(parts.body), "a\r\n" + tooLong + "\r\nb");
}

TEST(FeedBackMessage, HeaderValuesCannotStartNewHeaders) {
  const auto message = composeFeedBackMessage("s@o.test\r\nBcc: all@o.test", "hi");
  const auto parts = splitMail(renderMailData(message, 0, "x@o.test\r\nX-Evil: 1"));
  for (const auto& header : parts.headers) {
    EXPECT_NE(header.rfind("Bcc:", 0), 0u) << header;
    EXPECT_NE(header.rfind("X-Evil:", 0), 0u) << header;
  }
  EXPECT_EQ(parts.headers.size(), 8u);
}

}  // namespace
}  // namespace orvane
