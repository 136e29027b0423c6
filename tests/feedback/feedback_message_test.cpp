#include "feedback/feedback_message.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "feedback/feedback_settings.h"
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

// Each case starts from a complete environment and changes one variable (an
// empty value unsets it); the problem named is "" or ends with `problem`.
TEST(FeedbackSettings, EnvironmentIsReadAndEachBadValueIsNamed) {
  const struct {
    std::string name;
    const char* value;
    std::string problem;
  } cases[] = {
      {"SMTP_PORT", "2465", ""},
      {"MAILBOX", "", "is not set."},
      {"SMTP_HOST", "", "is not set."},
      {"PASSWORD", "", "is not set."},
      {"SMTP_PORT", "465x", "is not a port number."},
      {"SMTP_PORT", "70000", "is not a port number."},
      {"SMTP_PORT", "0", "is not a port number."},
      {"MAILBOX", "s@orvane.test\r\nBcc: x@y", "is not a mail address."},
      {"MAILBOX", "<a@b>", "is not a mail address."},
      {"MAILBOX", "a@b@c", "is not a mail address."},
      {"SMTP_HOST", "user@mail.test", "is not a host name."},
      {"SMTP_HOST", "mail.test:25", "is not a host name."},
      {"SMTP_HOST", "[::1]", ""},
  };
  for (const auto& c : cases) {
    setenv("ORVANE_FEEDBACK_MAILBOX", "support@orvane.test", 1);
    setenv("ORVANE_FEEDBACK_SMTP_HOST", "127.0.0.1", 1);
    setenv("ORVANE_FEEDBACK_PASSWORD", "pw-583920417", 1);
    setenv("ORVANE_FEEDBACK_CA_FILE", "/tmp/ca.pem", 1);
    unsetenv("ORVANE_FEEDBACK_SMTP_PORT");
    const auto defaults = FeedbackSettings::fromEnvironment();
    EXPECT_EQ(defaults.port, 465);
    EXPECT_EQ(defaults.caFile, "/tmp/ca.pem");
    const std::string name = "ORVANE_FEEDBACK_" + c.name;
    *c.value ? setenv(name.c_str(), c.value, 1) : unsetenv(name.c_str());
    const std::string problem =
        c.problem.empty() ? "" : "Feedback mail is not set up: " + name + " " + c.problem;
    EXPECT_EQ(FeedbackSettings::fromEnvironment().problem(), problem) << name << "=" << c.value;
  }
  EXPECT_EQ(FeedbackSettings::fromEnvironment().host, "[::1]");
  for (const char* name : {"MAILBOX", "SMTP_HOST", "PASSWORD", "SMTP_PORT", "CA_FILE"}) {
    unsetenv(("ORVANE_FEEDBACK_" + std::string(name)).c_str());
  }
}

}  // namespace
}  // namespace orvane
