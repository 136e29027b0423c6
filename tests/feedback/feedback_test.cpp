// The feedback mail: its message rendered byte for byte, its settings read
// from the environment, and real mail sent to a loopback SMTP server with
// implicit TLS, checked as the server received it.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/base64.h"
#include "feedback/feedback_message.h"
#include "feedback/feedback_sender.h"
#include "feedback/feedback_settings.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

// Bytes from a hex text as the server records them.
std::string fromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
  }
  return bytes;
}

// `bytes` as a mail body in base64: lines of at most 76 characters, each
// ended by CRLF.
std::string base64Lines(std::string_view bytes) {
  const std::string text =
      base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  std::string lines;
  for (std::size_t at = 0; at < text.size(); at += 76) lines += text.substr(at, 76) + "\r\n";
  return lines;
}

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
      {"a\n" + tooLong + "\nb", ascii + encoded + base64Lines("a\r\n" + tooLong + "\r\nb")},
      {std::string("a\0b", 3), ascii + encoded + base64Lines(std::string("a\0b", 3))},
      {"x\n" + german, utf8 + encoded + base64Lines("x\r\n" + german)},
      // a lone lead byte, a stray continuation byte and an overlong "/"
      {"a\xC3(b\x80\xC0\xAF",
       utf8 + encoded + base64Lines("a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")},
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
      {"MAILBOX", "", "is not set."},
      {"SMTP_PORT", "70000", "is not a port number."},
      {"MAILBOX", "s@orvane.test\r\nBcc: x@y", "is not a mail address."},
      {"SMTP_HOST", "user@mail.test", "is not a host name."},
      {"SMTP_HOST", "[::1]", ""},
  };
  for (const auto& c : cases) {
    setenv("ORVANE_FEEDBACK_MAILBOX", "support@orvane.test", 1);
    setenv("ORVANE_FEEDBACK_SMTP_HOST", "127.0.0.1", 1);
    setenv("ORVANE_FEEDBACK_PASSWORD", "pw-583920417", 1);
    setenv("ORVANE_FEEDBACK_CA_FILE", "/tmp/ca.pem", 1);
    unsetenv("ORVANE_FEEDBACK_SMTP_PORT");
    const std::string name = "ORVANE_FEEDBACK_" + c.name;
    *c.value ? setenv(name.c_str(), c.value, 1) : unsetenv(name.c_str());
    const std::string problem =
        c.problem.empty() ? "" : "Feedback mail is not set up: " + name + " " + c.problem;
    EXPECT_EQ(FeedbackSettings::fromEnvironment().problem(), problem) << name << "=" << c.value;
  }
  const FeedbackSettings last = FeedbackSettings::fromEnvironment();
  EXPECT_EQ(last.host + " " + last.caFile + " " + std::to_string(last.port),
            "[::1] /tmp/ca.pem 465");
  for (const char* name : {"MAILBOX", "SMTP_HOST", "PASSWORD", "SMTP_PORT", "CA_FILE"}) {
    unsetenv(("ORVANE_FEEDBACK_" + std::string(name)).c_str());
  }
}

constexpr const char* kMailbox = "feedback@orvane.test";
constexpr const char* kPassword = "583920417-correct-horse";

// Each test runs the loopback mail server of scripts/smtp_test_server.py:
// implicit TLS with a certificate made for the test, AUTH PLAIN required,
// every connection, login and message recorded.
class FeedbackSend : public ::testing::Test {
 protected:
  void SetUp() override {
    // Debian's interpreter: a python3 earlier on PATH may lack the Debian modules
    if (fixtures::runProgram({"/usr/bin/python3", "-c", "import aiosmtpd.smtp"}) != 0) {
      GTEST_SKIP() << "python3-aiosmtpd is not installed: the mail tests need it";
    }
    const std::string key = (folder_ / "key.pem").string();
    const std::string cert = (folder_ / "cert.pem").string();
    ASSERT_EQ(fixtures::runProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                    "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key,
                                    "-out", cert, "-days", "2", "-subj", "/CN=localhost", "-addext",
                                    "subjectAltName=IP:127.0.0.1,DNS:localhost"}),
              0);
    const auto ready = folder_ / "ready";
    const auto log = folder_ / "server.log";
    pid_ = fixtures::startProgram(
        {"/usr/bin/python3", std::string(ORVANE_SOURCE_DIR) + "/scripts/smtp_test_server.py",
         "--cert", cert, "--key", key, "--user", kMailbox, "--password", kPassword, "--record",
         (folder_ / "record.jsonl").string(), "--ready", ready.string()},
        log.string());
    ASSERT_GT(pid_, 0);
    // bounded: the server starts in well under a second
    for (int poll = 0; !std::filesystem::exists(ready); ++poll) {
      ASSERT_LT(poll, 750) << "the test mail server did not start: " << fixtures::readFileText(log);
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        FAIL() << "the test mail server ended at start: " << fixtures::readFileText(log);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const auto port = static_cast<std::uint16_t>(std::stoi(fixtures::readFileText(ready)));
    settings_ = {kMailbox, "127.0.0.1", kPassword, port, cert};
  }
  void TearDown() override {
    if (pid_ < 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }

  // Every recorded entry, in order, whose "event" is `event`.
  std::vector<nlohmann::json> entries(const std::string& event) const {
    std::vector<nlohmann::json> found;
    std::ifstream in(folder_ / "record.jsonl");
    for (std::string line; std::getline(in, line);) {
      auto entry = nlohmann::json::parse(line);
      if (entry.at("event") == event) found.push_back(std::move(entry));
    }
    return found;
  }

  fixtures::ScratchFolder folder_;
  pid_t pid_ = -1;
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

  const auto messages = entries("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].at("mail_from"), kMailbox);
  EXPECT_EQ(messages[0].at("rcpt_tos"), nlohmann::json::array({kMailbox}));
  EXPECT_EQ(messages[0].at("tls"), true);
  std::string data = fromHex(messages[0].at("data_hex").get<std::string>());
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
  }
  EXPECT_TRUE(entries("message").empty());
  const auto logins = entries("login");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].at("accepted"), false);
}

}  // namespace
}  // namespace orvane
