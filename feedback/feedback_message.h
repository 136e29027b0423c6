#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace orvane {

// The suggestion mail as the support mailbox receives it.
struct FeedbackMessage {
  std::string subject;
  std::string from;
  std::string to;
  std::string contentType;
  std::string charset;  // "us-ascii", or "utf-8" when the body needs it
  // "7bit" sends the body as it is; "base64" when the body has bytes or
  // lines that a mail server may not pass through unchanged.
  std::string transferEncoding;
  std::string body;  // the text the user wrote, valid UTF-8, line feeds as typed
};

// "RegEmail: <e-mail>\nSuggestion:<suggestion>", both texts unchanged.
std::string getFeedBackInfo(std::string_view regEmail, std::string_view suggestion);

// The message for `mailbox` (sender and recipient alike) carrying `body`.
// An ASCII body keeps charset "us-ascii"; anything else goes out as UTF-8,
// with malformed sequences replaced by U+FFFD so the label stays true.
FeedbackMessage composeFeedBackMessage(std::string_view mailbox, std::string_view body);

// The message as mail data (RFC 5322): header lines, a blank line and the
// encoded body, every line ended by CRLF. `date` fills the Date header and
// `messageId` (without angle brackets) the Message-ID header.
std::string renderMailData(const FeedbackMessage& message, std::time_t date,
                           std::string_view messageId);

// "Thu, 01 Jan 1970 00:00:00 +0000": English names whatever the locale.
std::string mailDate(std::time_t date);

}  // namespace orvane
