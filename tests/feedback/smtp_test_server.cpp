#include "smtp_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "fixtures/scratch_folder.h"

namespace orvane::testing {

// A bounded wait: the server starts in well under a second here.
constexpr int kReadyPolls = 750;  // at 20 ms each
constexpr auto kPollInterval = std::chrono::milliseconds(20);

std::optional<std::string> SmtpTestServer::findPython() {
  // Debian's interpreter first: a python3 earlier on PATH may be another
  // installation without the Debian modules.
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    if (fixtures::runProgram({python, "-c", "import aiosmtpd.smtp"}) == 0) return python;
  }
  return std::nullopt;
}

SmtpTestServer::~SmtpTestServer() { stop(); }

std::string SmtpTestServer::start(const std::string& python) {
  const std::string key = (folder_.path() / "key.pem").string();
  const int made = fixtures::runProgram(
      {"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
       "-nodes", "-keyout", key, "-out", caFile().string(), "-days", "2", "-subj", "/CN=localhost",
       "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"});
  if (made != 0) return "openssl could not make the test certificate";

  const auto ready = folder_.path() / "ready";
  const auto log = folder_.path() / "server.log";
  pid_ = fixtures::startProgram(
      {python, std::string(ORVANE_SOURCE_DIR) + "/scripts/smtp_test_server.py", "--cert",
       caFile().string(), "--key", key, "--user", kMailbox, "--password", kPassword, "--record",
       (folder_.path() / "record.jsonl").string(), "--ready", ready.string()},
      log.string());
  if (pid_ < 0) return "could not start " + python;

  for (int poll = 0; poll < kReadyPolls; ++poll) {
    if (std::filesystem::exists(ready)) {
      port_ = static_cast<std::uint16_t>(std::stoi(fixtures::readFileText(ready)));
      return {};
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return "the test mail server ended at start: " + fixtures::readFileText(log);
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return "the test mail server did not start: " + fixtures::readFileText(log);
}

void SmtpTestServer::stop() {
  if (pid_ < 0) return;
  // nothing of the server's is kept: its records are read while it runs
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::vector<nlohmann::json> SmtpTestServer::entries(const std::string& event) const {
  std::vector<nlohmann::json> found;
  std::ifstream in(folder_.path() / "record.jsonl");
  for (std::string line; std::getline(in, line);) {
    auto entry = nlohmann::json::parse(line);
    if (entry.at("event") == event) found.push_back(std::move(entry));
  }
  return found;
}

namespace {

// A TCP socket bound to a free loopback port; its port through `port`.
int boundLoopbackSocket(std::uint16_t& port) {
  const int socketFd = socket(AF_INET, SOCK_STREAM, 0);
  if (socketFd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(socketFd);
    throw std::runtime_error("bind failed");
  }
  port = ntohs(address.sin_port);
  return socketFd;
}

}  // namespace

std::uint16_t unusedLoopbackPort() {
  std::uint16_t port = 0;
  close(boundLoopbackSocket(port));
  return port;
}

SilentListener::SilentListener() {
  socket_ = boundLoopbackSocket(port_);
  // the kernel completes the connection from its backlog; nobody accepts it
  listen(socket_, 4);
}

SilentListener::~SilentListener() { close(socket_); }

bool SilentListener::waitForConnection() const {
  pollfd waiting{socket_, POLLIN, 0};
  return poll(&waiting, 1, 10000) == 1;
}

std::string fromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
  }
  return bytes;
}

std::string fromBase64Lines(const std::string& lines) {
  std::string joined;
  for (const char c : lines) {
    if (c != '\r' && c != '\n') joined += c;
  }
  std::string bytes(joined.size() / 4 * 3 + 3, '\0');
  const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                     reinterpret_cast<const unsigned char*>(joined.data()),
                                     static_cast<int>(joined.size()));
  if (length < 0) throw std::runtime_error("not base64");
  // EVP_DecodeBlock counts the padding as zero bytes
  std::size_t padding = 0;
  while (padding < 2 && padding < joined.size() && joined[joined.size() - 1 - padding] == '=') {
    ++padding;
  }
  bytes.resize(static_cast<std::size_t>(length) - padding);
  return bytes;
}

MailParts splitMail(const std::string& data) {
  MailParts parts;
  const std::size_t blank = data.find("\r\n\r\n");
  if (blank == std::string::npos) throw std::runtime_error("mail data without a blank line");
  const std::string head = data.substr(0, blank + 2);
  for (std::size_t at = 0; at < head.size();) {
    const std::size_t end = head.find("\r\n", at);
    parts.headers.push_back(head.substr(at, end - at));
    at = end + 2;
  }
  parts.body = data.substr(blank + 4);
  return parts;
}

}  // namespace orvane::testing
