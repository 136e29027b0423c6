// Sends real mail to a loopback SMTP server with implicit TLS and checks
// what it received, byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/base64.h"
#include "feedback/feedback_sender.h"
#include "smtp_test_server.h"

namespace orvane {
namespace {

using testing::SmtpTestServer;

// The credentials as AUTH PLAIN carries them, which must not leak either.
std::string plainLoginToken() {
  const std::string login =
      std::string(1, '\0') + SmtpTestServer::kMailbox + '\0' + SmtpTestServer::kPassword;
  return base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(login.data()), login.size()));
}

class FeedbackSend : public ::testing::Test {
 protected:
  void SetUp() override {
    static const std::optional<std::string> python = SmtpTestServer::findPython();
    if (!python) {
      GTEST_SKIP() << "python3-aiosmtpd is not installed: the mail tests need its SMTP server";
    }
    server_ = std::make_unique<SmtpTestServer>();
    const std::string error = server_->start(*python);
    ASSERT_EQ(error, "");
    settings_ = {SmtpTestServer::kMailbox, "127.0.0.1", SmtpTestServer::kPassword, server_->port(),
                 server_->caFile().string()};
  }

  FeedbackOutcome send(const std::string& regEmail, const std::string& suggestion) {
    return sendFeedBackMail(settings_, regEmail, suggestion, collect());
  }

  FeedbackLog collect() {
    return [this](std::string_view line) {
      std::lock_guard lock(logMutex_);
      log_.emplace_back(line);
    };
  }

  // The data of the one message the server accepted.
  std::string onlyMessageData() {
    const auto messages = server_->entries("message");
    EXPECT_EQ(messages.size(), 1u);
    if (messages.empty()) return {};
    return testing::fromHex(messages.front().at("data_hex").get<std::string>());
  }

  void expectNoSecretLogged(const FeedbackOutcome& outcome) {
    EXPECT_EQ(outcome.text.find(SmtpTestServer::kPassword), std::string::npos) << outcome.text;
    std::lock_guard lock(logMutex_);
    for (const auto& line : log_) {
      EXPECT_EQ(line.find(SmtpTestServer::kPassword), std::string::npos) << line;
      EXPECT_EQ(line.find(plainLoginToken()), std::string::npos) << line;
    }
  }

  std::unique_ptr<SmtpTestServer> server_;
  FeedbackSettings settings_;
  std::mutex logMutex_;
  std::vector<std::string> log_;
};

TEST_F(FeedbackSend, AsciiSuggestionArrivesExactlyAsDescribed) {
  const auto outcome = send("owner@example.com", "The export froze.\nTwice.");
  EXPECT_EQ(outcome.status, FeedbackOutcome::Status::Sent);
  EXPECT_EQ(outcome.text, "The feedback mail was sent.");

  const auto messages = server_->entries("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].at("mail_from"), SmtpTestServer::kMailbox);
  EXPECT_EQ(messages[0].at("rcpt_tos"), nlohmann::json::array({SmtpTestServer::kMailbox}));
  EXPECT_EQ(messages[0].at("mechanism"), "PLAIN");
  EXPECT_EQ(messages[0].at("tls"), true);

  auto mail = testing::splitMail(onlyMessageData());
  ASSERT_EQ(mail.headers.size(), 8u);
  EXPECT_TRUE(std::regex_match(
      mail.headers[3], std::regex(R"(Date: \w{3}, \d\d \w{3} \d{4} \d\d:\d\d:\d\d \+0000)")))
      << mail.headers[3];
  EXPECT_TRUE(
      std::regex_match(mail.headers[4], std::regex(R"(Message-ID: <[^<>@]+@orvane\.test>)")))
      << mail.headers[4];
  mail.headers[3] = mail.headers[4] = "";
  EXPECT_EQ(mail.headers,
            (std::vector<std::string>{"Subject: BlackBerry feedBack", "From: feedback@orvane.test",
                                      "To: feedback@orvane.test", "", "", "MIME-Version: 1.0",
                                      "Content-Type: text/plain; charset=us-ascii",
                                      "Content-Transfer-Encoding: 7bit"}));
  EXPECT_EQ(mail.body, "RegEmail: owner@example.com\r\nSuggestion:The export froze.\r\nTwice.\r\n");

  expectNoSecretLogged(outcome);
  std::lock_guard lock(logMutex_);
  EXPECT_EQ(log_, (std::vector<std::string>{
                      "Connecting to the 127.0.0.1 server...", "Connected!",
                      "SSL handshaking completed.", "Available authentication mechanisms: PLAIN",
                      "Authentication completed! Sending the message...",
                      "Sent!\nClosing the connection.", "Connection closed."}));
}

// Lines of dots must survive the end-of-data marker. A paragraph typed
// without a line break is longer than a mail line may be; the server
// refuses such a line unless it is encoded (non-ASCII text takes the same
// encoding).
TEST_F(FeedbackSend, DotLinesAndLongParagraphsArriveIntact) {
  std::string paragraph;
  while (paragraph.size() < 5000) paragraph += "Please add more formats. ";
  ASSERT_TRUE(send("", ".\n..\n.hidden\n.").sent());
  const auto outcome = send("", paragraph);
  ASSERT_TRUE(outcome.sent()) << outcome.text;
  const auto messages = server_->entries("message");
  ASSERT_EQ(messages.size(), 2u);
  const auto mail = [&](std::size_t index) {
    return testing::splitMail(testing::fromHex(messages[index].at("data_hex").get<std::string>()));
  };
  EXPECT_EQ(mail(0).body, "RegEmail: \r\nSuggestion:.\r\n..\r\n.hidden\r\n.\r\n");
  EXPECT_EQ(mail(1).headers.at(6), "Content-Type: text/plain; charset=us-ascii");
  EXPECT_EQ(testing::fromBase64Lines(mail(1).body), "RegEmail: \r\nSuggestion:" + paragraph);
}

TEST_F(FeedbackSend, WrongPasswordIsAFailureAndSendsNothing) {
  settings_.password = "wrong-583920417-password";
  const auto outcome = send("", "hello");
  EXPECT_EQ(outcome.status, FeedbackOutcome::Status::Failed);
  EXPECT_EQ(outcome.text.rfind("The feedback mail was not sent: ", 0), 0u) << outcome.text;
  EXPECT_EQ(outcome.text.find("wrong-583920417-password"), std::string::npos) << outcome.text;
  EXPECT_TRUE(server_->entries("message").empty());
  const auto logins = server_->entries("login");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].at("accepted"), false);

  std::lock_guard lock(logMutex_);
  EXPECT_NE(std::find(log_.begin(), log_.end(), "Authentication failed! Closing the connection..."),
            log_.end());
  EXPECT_EQ(std::find(log_.begin(), log_.end(), "Sent!\nClosing the connection."), log_.end());
  for (const auto& line : log_) EXPECT_EQ(line.find("wrong-583920417"), std::string::npos);
}

// The server's certificate is trusted only through the CA file: without it
// verification refuses the server, and nothing is sent.
TEST_F(FeedbackSend, UntrustedCertificateIsRefused) {
  settings_.caFile.clear();
  const auto outcome = send("", "hello");
  EXPECT_EQ(outcome.status, FeedbackOutcome::Status::Failed);
  EXPECT_NE(outcome.text.find("certificate"), std::string::npos) << outcome.text;
  EXPECT_TRUE(server_->entries("message").empty());
}

TEST_F(FeedbackSend, NotSetUpAnswersWithoutConnecting) {
  settings_.password.clear();
  const auto outcome = send("", "hello");
  EXPECT_EQ(outcome.status, FeedbackOutcome::Status::NotSetUp);
  EXPECT_EQ(outcome.text, "Feedback mail is not set up: ORVANE_FEEDBACK_PASSWORD is not set.");
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(server_->entries("connection").empty());
}

TEST_F(FeedbackSend, MailerReportsTheOutcomeFromItsOwnThread) {
  std::mutex mutex;
  std::condition_variable finished;
  std::optional<FeedbackOutcome> outcome;
  std::thread::id sender;
  {
    FeedbackMailer mailer(collect());
    mailer.send(settings_, "owner@example.com", "from the background",
                [&](const FeedbackOutcome& result) {
                  std::lock_guard lock(mutex);
                  outcome = result;
                  sender = std::this_thread::get_id();
                  finished.notify_all();
                });
    std::unique_lock lock(mutex);
    // bounded: the send itself gives up long before this
    finished.wait_for(lock, std::chrono::minutes(3), [&] { return outcome.has_value(); });
  }
  ASSERT_TRUE(outcome.has_value());
  EXPECT_TRUE(outcome->sent()) << outcome->text;
  EXPECT_NE(sender, std::this_thread::get_id());
  EXPECT_EQ(testing::splitMail(onlyMessageData()).body,
            "RegEmail: owner@example.com\r\nSuggestion:from the background\r\n");
}

TEST(FeedbackSendNoServer, AbsentServerIsAFailure) {
  FeedbackSettings settings{"feedback@orvane.test", "127.0.0.1", "pw-583920417",
                            testing::unusedLoopbackPort(), ""};
  const auto outcome = sendFeedBackMail(settings, "", "hello", [](std::string_view) {});
  EXPECT_EQ(outcome.status, FeedbackOutcome::Status::Failed);
  EXPECT_NE(outcome.text.find("onnect"), std::string::npos) << outcome.text;
}

// A server that takes the connection and says nothing would hold the send
// until its time limit; closing the mailer stops it at once and still tells
// the caller.
TEST(FeedbackSendNoServer, ClosingTheMailerStopsAStuckSend) {
  testing::SilentListener silent;
  FeedbackSettings settings{"feedback@orvane.test", "127.0.0.1", "pw-583920417", silent.port(), ""};
  std::optional<FeedbackOutcome> outcome;
  {
    FeedbackMailer mailer([](std::string_view) {});
    mailer.send(settings, "", "hello", [&](const FeedbackOutcome& result) { outcome = result; });
    ASSERT_TRUE(silent.waitForConnection());
  }
  ASSERT_TRUE(outcome.has_value());
  EXPECT_EQ(outcome->text, "The feedback mail was not sent: the application is closing.");
}

}  // namespace
}  // namespace orvane
