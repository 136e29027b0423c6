#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "fixtures/scratch_folder.h"

namespace orvane::testing {

// The loopback mail server of scripts/smtp_test_server.py, run for one test:
// implicit TLS with a certificate made for the test, AUTH PLAIN required,
// every connection, login and message recorded.
class SmtpTestServer {
 public:
  static constexpr const char* kMailbox = "feedback@orvane.test";
  static constexpr const char* kPassword = "583920417-correct-horse";

  // A Python interpreter that has aiosmtpd, or nothing.
  static std::optional<std::string> findPython();

  SmtpTestServer() = default;
  ~SmtpTestServer();
  SmtpTestServer(const SmtpTestServer&) = delete;
  SmtpTestServer& operator=(const SmtpTestServer&) = delete;

  // Empty on success, otherwise what went wrong.
  std::string start(const std::string& python);

  std::uint16_t port() const { return port_; }
  std::filesystem::path caFile() const { return folder_ / "cert.pem"; }

  // Every recorded entry, in order; only those with "event" == `event`.
  std::vector<nlohmann::json> entries(const std::string& event) const;

 private:
  void stop();

  fixtures::ScratchFolder folder_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

// A loopback port that nothing listens on (bound, then released).
std::uint16_t unusedLoopbackPort();

// A loopback port that takes connections and never says a word.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  std::uint16_t port() const { return port_; }
  // True once a connection waits in the backlog (bounded wait).
  bool waitForConnection() const;

 private:
  int socket_ = -1;
  std::uint16_t port_ = 0;
};

// Bytes from a hex text as the server records them.
std::string fromHex(const std::string& hex);

// The bytes of a base64 body of CRLF-ended lines.
std::string fromBase64Lines(const std::string& lines);

// Splits mail data at its blank line: header lines (without their CRLF) and
// the body bytes.
struct MailParts {
  std::vector<std::string> headers;
  std::string body;
};
MailParts splitMail(const std::string& data);

}  // namespace orvane::testing
