#include "feedback/smtp_progress_log.h"

#include <cstdio>
#include <string>

namespace orvane {
namespace {

// The server's list of mechanisms is logged; keep it one short printable line.
constexpr std::size_t kMaxMechanismsChars = 200;

template <typename EachLine>
void forEachLine(std::string_view text, EachLine&& eachLine) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    eachLine(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

bool startsWithWord(std::string_view line, std::string_view word) {
  if (line.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = line[i];
    const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper != word[i]) return false;
  }
  return line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '=';
}

std::string printable(std::string_view text) {
  std::string shown;
  for (const char c : text.substr(0, kMaxMechanismsChars)) {
    const auto byte = static_cast<unsigned char>(c);
    shown += byte >= 0x20 && byte < 0x7F ? c : '?';
  }
  return shown;
}

}  // namespace

void logToStandardError(std::string_view line) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

void SmtpProgressLog::commandSent(std::string_view text) {
  forEachLine(text, [this](std::string_view line) {
    if (startsWithWord(line, "EHLO") || startsWithWord(line, "HELO")) {
      lastCommand_ = Command::Ehlo;
    } else if (startsWithWord(line, "AUTH")) {
      lastCommand_ = Command::Auth;
    } else if (startsWithWord(line, "DATA")) {
      lastCommand_ = Command::Data;
    } else if (startsWithWord(line, "MAIL") || startsWithWord(line, "RCPT") ||
               startsWithWord(line, "QUIT") || startsWithWord(line, "RSET") ||
               startsWithWord(line, "NOOP")) {
      lastCommand_ = Command::Other;
    }
    // anything else is the answer to a login challenge: the credentials
  });
}

void SmtpProgressLog::replyReceived(std::string_view text) {
  forEachLine(text, [this](std::string_view line) { replyLine(line); });
}

void SmtpProgressLog::replyLine(std::string_view line) {
  if (line.size() < 3) return;
  const std::string_view code = line.substr(0, 3);
  // "250-..." continues a reply, "250 ..." (or a bare "250") ends it
  const bool lastLine = line.size() == 3 || line[3] == ' ';
  const std::string_view text = line.size() > 4 ? line.substr(4) : std::string_view();

  if (!log_) return;
  if (!greeted_ && lastCommand_ == Command::None) {
    if (code == "220" && lastLine) {
      greeted_ = true;
      // the connection is encrypted from its first byte, so the greeting
      // arrives only after the handshake
      log_("Connected!");
      log_("SSL handshaking completed.");
    }
    return;
  }
  switch (lastCommand_) {
    case Command::Ehlo:
      if (startsWithWord(text, "AUTH")) {
        const std::string_view mechanisms = text.size() > 5 ? text.substr(5) : std::string_view();
        log_("Available authentication mechanisms: " + printable(mechanisms));
      }
      break;
    case Command::Auth:
      if (!lastLine || code.front() == '3') break;
      if (code == "235") {
        log_("Authentication completed! Sending the message...");
      } else {
        log_("Authentication failed! Closing the connection...");
      }
      break;
    case Command::Data:
      if (lastLine && code.front() == '2') log_("Sent!\nClosing the connection.");
      break;
    case Command::None:
    case Command::Other:
      break;
  }
}

}  // namespace orvane
