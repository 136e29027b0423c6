#pragma once

#include <functional>
#include <string_view>
#include <utility>

namespace orvane {

// Receives one log line at a time (a line may hold a line feed of its own).
using FeedbackLog = std::function<void(std::string_view line)>;

// Writes the line to standard error, as every log line of the application.
void logToStandardError(std::string_view line);

// Follows an SMTP conversation through the commands the client sent and the
// replies the server gave, and logs each step the user's mail passes. Only
// the verb of a command is looked at and nothing the client sends is logged,
// so the login (the AUTH line and the credentials after it) never reaches
// the log.
class SmtpProgressLog {
 public:
  explicit SmtpProgressLog(FeedbackLog log) : log_(std::move(log)) {}

  // Command text as sent, one or more CRLF-ended lines.
  void commandSent(std::string_view text);
  // Reply text as received, one or more CRLF-ended lines.
  void replyReceived(std::string_view text);

 private:
  enum class Command { None, Ehlo, Auth, Data, Other };

  void replyLine(std::string_view line);

  FeedbackLog log_;
  Command lastCommand_ = Command::None;
  bool greeted_ = false;
};

}  // namespace orvane
