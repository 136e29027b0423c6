// Sends real mail to a loopback SMTP server with implicit TLS and checks
// what it received, byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "feedback/feedback_sender.h"
#include "smtp_test_server.h"

namespace orvane {
namespace {

using testing::SmtpTestServer;

class FeedbackSend : public ::testing::Test {
 protected:
  void SetUp() override {
    static const std::optional<std::string> python = SmtpTestServer::findPython();
    if (!python) GTEST_SKIP() << "python3-aiosmtpd is not installed: the mail tests need it";
    server_ = std::make_unique<SmtpTestServer>();
    ASSERT_EQ(server_->start(*python), "");
    settings_ = {SmtpTestServer::kMailbox, "127.0.0.1", SmtpTestServer::kPassword, server_->port(),
                 server_->caFile().string()};
  }

  std::unique_ptr<SmtpTestServer> server_;
  FeedbackSettings settings_;
  std::vector<std::string> log_;
};

// Sent by the mailer on a thread of its own, which reports the outcome.
// Lines of dots must survive the end-of-data marker.
TEST_F(FeedbackSend, SuggestionArrivesExactlyAsDescribed) {
  std::promise<std::pair<FeedbackOutcome, std::thread::id>> finished;
  FeedbackMailer mailer([this](std::string_view line) { log_.emplace_back(line); });
  mailer.send(settings_, "owner@example.com", "The export froze.\n.\n..\n.hidden\nTwice.",
              [&](const FeedbackOutcome& result) {
                finished.set_value({result, std::this_thread::get_id()});
              });
  auto done = finished.get_future();
  // bounded: the send itself gives up long before this
  ASSERT_EQ(done.wait_for(std::chrono::minutes(3)), std::future_status::ready);
  const auto [outcome, sender] = done.get();
  EXPECT_NE(sender, std::this_thread::get_id());
  EXPECT_EQ(outcome.status, FeedbackOutcome::Status::Sent);
  EXPECT_EQ(outcome.text, "The feedback mail was sent.");
  EXPECT_EQ(log_, (std::vector<std::string>{
                      "Connecting to the 127.0.0.1 server...", "Connected!",
                      "SSL handshaking completed.", "Available authentication mechanisms: PLAIN",
                      "Authentication completed! Sending the message...",
                      "Sent!\nClosing the connection.", "Connection closed."}));

  const auto messages = server_->entries("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].at("mail_from"), SmtpTestServer::kMailbox);
  EXPECT_EQ(messages[0].at("rcpt_tos"), nlohmann::json::array({SmtpTestServer::kMailbox}));
  EXPECT_EQ(messages[0].at("mechanism"), "PLAIN");
  EXPECT_EQ(messages[0].at("tls"), true);
  std::string data = testing::fromHex(messages[0].at("data_hex").get<std::string>());
  data = std::regex_replace(
      data, std::regex(R"(Date: \w{3}, \d\d \w{3} \d{4} \d\d:\d\d:\d\d \+0000)"), "Date: D");
  data = std::regex_replace(data, std::regex(R"(Message-ID: <[^<>@\r\n]+@orvane\.test>)"),
                            "Message-ID: M");
  EXPECT_EQ(data,
            "Subject: BlackBerry feedBack\r\nFrom: feedback@orvane.test\r\n"
            "To: feedback@orvane.test\r\nDate: D\r\nMessage-ID: M\r\nMIME-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
            "RegEmail: owner@example.com\r\nSuggestion:The export froze.\r\n.\r\n..\r\n"
            ".hidden\r\nTwice.\r\n");
}

// Each failure is told as one, shows no password and delivers nothing.
TEST_F(FeedbackSend, FailuresAreReportedAndSendNothing) {
  const struct {
    const char* name;
    std::function<void(FeedbackSettings&)> change;
    FeedbackOutcome::Status status;
    std::string textPart;
    std::string logLine;
  } cases[] = {
      {"wrong password", [](auto& s) { s.password = "wrong-583920417-password"; },
       FeedbackOutcome::Status::Failed,
       "The feedback mail was not sent: ", "Authentication failed! Closing the connection..."},
      // the certificate is trusted only through the CA file
      {"no CA file", [](auto& s) { s.caFile.clear(); }, FeedbackOutcome::Status::Failed,
       "certificate", ""},
      {"nobody listening", [](auto& s) { s.port = 1; }, FeedbackOutcome::Status::Failed, "onnect",
       ""},
      {"not set up", [](auto& s) { s.password.clear(); }, FeedbackOutcome::Status::NotSetUp,
       "Feedback mail is not set up: ORVANE_FEEDBACK_PASSWORD is not set.", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FeedbackSettings settings = settings_;
    c.change(settings);
    log_.clear();
    const auto outcome = sendFeedBackMail(
        settings, "", "hello", [this](std::string_view line) { log_.emplace_back(line); });
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_NE(outcome.text.find(c.textPart), std::string::npos) << outcome.text;
    if (!c.logLine.empty()) {
      EXPECT_NE(std::find(log_.begin(), log_.end(), c.logLine), log_.end());
    }
    EXPECT_EQ(std::find(log_.begin(), log_.end(), "Sent!\nClosing the connection."), log_.end());
    for (const auto& line : log_) EXPECT_EQ(line.find("583920417"), std::string::npos) << line;
    EXPECT_EQ(outcome.text.find("583920417"), std::string::npos) << outcome.text;
    EXPECT_TRUE(c.status != FeedbackOutcome::Status::NotSetUp || log_.empty());
  }
  EXPECT_TRUE(server_->entries("message").empty());
  const auto logins = server_->entries("login");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].at("accepted"), false);
}

}  // namespace
}  // namespace orvane
