#include "feedback/feedback_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <string>

#include "feedback/smtp_progress_log.h"

namespace orvane {
namespace {

constexpr std::array<const char*, 5> kVariables = {
    "ORVANE_FEEDBACK_MAILBOX", "ORVANE_FEEDBACK_SMTP_HOST", "ORVANE_FEEDBACK_PASSWORD",
    "ORVANE_FEEDBACK_SMTP_PORT", "ORVANE_FEEDBACK_CA_FILE"};

class FeedbackEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kVariables) unsetenv(name);
    setenv("ORVANE_FEEDBACK_MAILBOX", "support@orvane.test", 1);
    setenv("ORVANE_FEEDBACK_SMTP_HOST", "mail.orvane.test", 1);
    setenv("ORVANE_FEEDBACK_PASSWORD", "pw-583920417", 1);
  }
  void TearDown() override {
    for (const char* name : kVariables) unsetenv(name);
  }
};

TEST_F(FeedbackEnvironment, ReadsEverySettingAndDefaultsToPort465) {
  setenv("ORVANE_FEEDBACK_CA_FILE", "/tmp/ca.pem", 1);
  const auto settings = FeedbackSettings::fromEnvironment();
  EXPECT_EQ(settings.mailbox, "support@orvane.test");
  EXPECT_EQ(settings.host, "mail.orvane.test");
  EXPECT_EQ(settings.password, "pw-583920417");
  EXPECT_EQ(settings.port, 465);
  EXPECT_EQ(settings.caFile, "/tmp/ca.pem");
  EXPECT_EQ(settings.problem(), "");

  setenv("ORVANE_FEEDBACK_SMTP_PORT", "2465", 1);
  EXPECT_EQ(FeedbackSettings::fromEnvironment().port, 2465);
}

TEST_F(FeedbackEnvironment, EachMissingSettingIsNamed) {
  for (const char* name :
       {"ORVANE_FEEDBACK_MAILBOX", "ORVANE_FEEDBACK_SMTP_HOST", "ORVANE_FEEDBACK_PASSWORD"}) {
    SetUp();
    unsetenv(name);
    EXPECT_EQ(FeedbackSettings::fromEnvironment().problem(),
              std::string("Feedback mail is not set up: ") + name + " is not set.");
  }
}

TEST_F(FeedbackEnvironment, PortThatIsNoPortNumberIsRefused) {
  for (const char* port : {"abc", "465x", "70000", "-1", "0"}) {
    setenv("ORVANE_FEEDBACK_SMTP_PORT", port, 1);
    EXPECT_EQ(FeedbackSettings::fromEnvironment().problem(),
              "Feedback mail is not set up: ORVANE_FEEDBACK_SMTP_PORT is not a port number.")
        << port;
  }
}

TEST(FeedbackSettingsCheck, MailboxAndHostCannotSmuggleAnythingElse) {
  FeedbackSettings settings{"support@orvane.test", "mail.orvane.test", "pw", 465, ""};
  for (const char* mailbox :
       {"support@orvane.test\r\nBcc: x@y", "<a@b>", "a@b@c", "nobody", "a b@c", "@orvane.test"}) {
    settings.mailbox = mailbox;
    EXPECT_EQ(settings.problem(),
              "Feedback mail is not set up: ORVANE_FEEDBACK_MAILBOX is not a mail address.")
        << mailbox;
  }
  settings.mailbox = "support@orvane.test";
  for (const char* host : {"evil.test/x", "user@mail.test", "mail.test:25", "mail test"}) {
    settings.host = host;
    EXPECT_EQ(settings.problem(),
              "Feedback mail is not set up: ORVANE_FEEDBACK_SMTP_HOST is not a host name.")
        << host;
  }
  for (const char* host : {"127.0.0.1", "[::1]", "smtp-1.orvane.test"}) {
    settings.host = host;
    EXPECT_EQ(settings.problem(), "") << host;
  }
}

// The log follows the replies; the credentials sent after "AUTH PLAIN" are
// neither logged nor taken for a command.
TEST(SmtpProgressLog, LogsEachStepAndNeverWhatTheClientSent) {
  std::vector<std::string> lines;
  SmtpProgressLog progress([&](std::string_view line) { lines.emplace_back(line); });
  progress.replyReceived("220 mail.orvane.test ESMTP\r\n");
  progress.commandSent("EHLO localhost\r\n");
  progress.replyReceived("250-mail.orvane.test\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME\r\n");
  progress.commandSent("AUTH PLAIN\r\n");
  progress.replyReceived("334 \r\n");
  progress.commandSent("AGZiQGV4YW1wbGUub3JnAHMzY3JldA==\r\n");
  progress.replyReceived("235 2.7.0 ok\r\n");
  progress.commandSent("MAIL FROM:<s@o.test>\r\n");
  progress.replyReceived("250 OK\r\n");
  progress.commandSent("DATA\r\n");
  progress.replyReceived("354 go on\r\n");
  progress.replyReceived("250 queued\r\n");
  progress.commandSent("QUIT\r\n");
  progress.replyReceived("221 bye\r\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"Connected!", "SSL handshaking completed.",
                                             "Available authentication mechanisms: PLAIN LOGIN",
                                             "Authentication completed! Sending the message...",
                                             "Sent!\nClosing the connection."}));
}

TEST(SmtpProgressLog, RefusedLoginAndOddRepliesAreHandled) {
  std::vector<std::string> lines;
  SmtpProgressLog progress([&](std::string_view line) { lines.emplace_back(line); });
  progress.replyReceived("220 hi");  // no line end at all
  progress.commandSent("EHLO x\r\n");
  progress.replyReceived("250-AUTH\r\n25\r\n\r\n250 ok\r\n");  // empty list, short lines
  progress.commandSent("AUTH PLAIN AGZiQGV4YW1wbGUub3JnAHMzY3JldA==\r\n");
  progress.replyReceived("535 5.7.8 no\r\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"Connected!", "SSL handshaking completed.",
                                             "Available authentication mechanisms: ",
                                             "Authentication failed! Closing the connection..."}));
}

}  // namespace
}  // namespace orvane
