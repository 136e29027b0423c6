#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/base64.h"
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
  static std::optional<std::string> findPython() {
    // Debian's interpreter first: a python3 earlier on PATH may lack the Debian modules.
    for (const char* python : {"/usr/bin/python3", "python3"}) {
      if (fixtures::runProgram({python, "-c", "import aiosmtpd.smtp"}) == 0) return python;
    }
    return std::nullopt;
  }

  SmtpTestServer() = default;
  ~SmtpTestServer() {
    if (pid_ < 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  SmtpTestServer(const SmtpTestServer&) = delete;
  SmtpTestServer& operator=(const SmtpTestServer&) = delete;

  // Empty on success, otherwise what went wrong.
  std::string start(const std::string& python) {
    const std::string key = (folder_.path() / "key.pem").string();
    if (fixtures::runProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                              "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out",
                              caFile().string(), "-days", "2", "-subj", "/CN=localhost", "-addext",
                              "subjectAltName=IP:127.0.0.1,DNS:localhost"}) != 0) {
      return "openssl could not make the test certificate";
    }
    const auto ready = folder_.path() / "ready";
    const auto log = folder_.path() / "server.log";
    pid_ = fixtures::startProgram(
        {python, std::string(ORVANE_SOURCE_DIR) + "/scripts/smtp_test_server.py", "--cert",
         caFile().string(), "--key", key, "--user", kMailbox, "--password", kPassword, "--record",
         (folder_.path() / "record.jsonl").string(), "--ready", ready.string()},
        log.string());
    if (pid_ < 0) return "could not start " + python;
    for (int poll = 0; poll < 750; ++poll) {  // bounded: the server starts in well under a second
      if (std::filesystem::exists(ready)) {
        port_ = static_cast<std::uint16_t>(std::stoi(fixtures::readFileText(ready)));
        return {};
      }
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return "the test mail server ended at start: " + fixtures::readFileText(log);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "the test mail server did not start: " + fixtures::readFileText(log);
  }

  std::uint16_t port() const { return port_; }
  std::filesystem::path caFile() const { return folder_ / "cert.pem"; }

  // Every recorded entry, in order, whose "event" is `event`.
  std::vector<nlohmann::json> entries(const std::string& event) const {
    std::vector<nlohmann::json> found;
    std::ifstream in(folder_.path() / "record.jsonl");
    for (std::string line; std::getline(in, line);) {
      auto entry = nlohmann::json::parse(line);
      if (entry.at("event") == event) found.push_back(std::move(entry));
    }
    return found;
  }

 private:
  fixtures::ScratchFolder folder_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

// Bytes from a hex text as the server records them.
inline std::string fromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
  }
  return bytes;
}

// `bytes` as a mail body in base64: lines of at most 76 characters, each
// ended by CRLF.
inline std::string base64Lines(std::string_view bytes) {
  const std::string text =
      base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  std::string lines;
  for (std::size_t at = 0; at < text.size(); at += 76) lines += text.substr(at, 76) + "\r\n";
  return lines;
}

}  // namespace orvane::testing
