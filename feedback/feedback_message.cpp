#include "feedback/feedback_message.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>

#include "core/base64.h"
#include "core/utf8.h"

namespace orvane {
namespace {

// RFC 5322 allows 998 octets a line; longer lines are refused or folded by
// servers, which would change the suggestion.
constexpr std::size_t kMaxLineOctets = 998;
// RFC 2045: base64 lines are at most 76 characters.
constexpr std::size_t kBase64LineChars = 76;

std::string repairUtf8(std::string_view text) {
  std::string repaired;
  repaired.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8SequenceLength(text, at);
    if (length == 0) {
      repaired += "\xEF\xBF\xBD";
      ++at;
    } else {
      repaired.append(text, at, length);
      at += length;
    }
  }
  return repaired;
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Mail lines end in CRLF; a text view gives line feeds, and a lone carriage
// return would be a bare CR that servers reject.
std::string withCrlfLineEnds(std::string_view text) {
  std::string converted;
  converted.reserve(text.size() + text.size() / 16);
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\r') {
      converted += "\r\n";
      if (at + 1 < text.size() && text[at + 1] == '\n') ++at;
    } else if (c == '\n') {
      converted += "\r\n";
    } else {
      converted += c;
    }
  }
  return converted;
}

bool passesUnencoded(std::string_view crlfText) {
  if (crlfText.find('\0') != std::string_view::npos) return false;
  std::size_t lineStart = 0;
  while (lineStart <= crlfText.size()) {
    std::size_t lineEnd = crlfText.find("\r\n", lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = crlfText.size();
    if (lineEnd - lineStart > kMaxLineOctets) return false;
    lineStart = lineEnd + 2;
  }
  return true;
}

// A header value never carries a line break: that would start a new header.
std::string headerValue(std::string_view value) {
  std::string safe;
  for (const char c : value) {
    if (c != '\r' && c != '\n') safe += c;
  }
  return safe;
}

std::string base64Lines(std::string_view bytes) {
  const std::string encoded =
      base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  std::string lines;
  for (std::size_t at = 0; at < encoded.size(); at += kBase64LineChars) {
    lines.append(encoded, at, kBase64LineChars);
    lines += "\r\n";
  }
  return lines;
}

}  // namespace

std::string getFeedBackInfo(std::string_view regEmail, std::string_view suggestion) {
  std::string body = "RegEmail: ";
  body += regEmail;
  body += "\nSuggestion:";
  body += suggestion;
  return body;
}

FeedbackMessage composeFeedBackMessage(std::string_view mailbox, std::string_view body) {
  FeedbackMessage message;
  message.subject = "BlackBerry feedBack";
  message.from = std::string(mailbox);
  message.to = std::string(mailbox);
  message.contentType = "text/plain";
  message.body = repairUtf8(body);
  const bool ascii = isAscii(message.body);
  message.charset = ascii ? "us-ascii" : "utf-8";
  message.transferEncoding =
      ascii && passesUnencoded(withCrlfLineEnds(message.body)) ? "7bit" : "base64";
  return message;
}

std::string mailDate(std::time_t date) {
  static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  gmtime_r(&date, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000",
                kDays.at(static_cast<std::size_t>(utc.tm_wday)), utc.tm_mday,
                kMonths.at(static_cast<std::size_t>(utc.tm_mon)), utc.tm_year + 1900, utc.tm_hour,
                utc.tm_min, utc.tm_sec);
  return text;
}

std::string renderMailData(const FeedbackMessage& message, std::time_t date,
                           std::string_view messageId) {
  std::string data;
  data += "Subject: " + headerValue(message.subject) + "\r\n";
  data += "From: " + headerValue(message.from) + "\r\n";
  data += "To: " + headerValue(message.to) + "\r\n";
  data += "Date: " + mailDate(date) + "\r\n";
  data += "Message-ID: <" + headerValue(messageId) + ">\r\n";
  data += "MIME-Version: 1.0\r\n";
  data += "Content-Type: " + headerValue(message.contentType) +
          "; charset=" + headerValue(message.charset) + "\r\n";
  data += "Content-Transfer-Encoding: " + headerValue(message.transferEncoding) + "\r\n";
  data += "\r\n";
  const std::string canonical = withCrlfLineEnds(message.body);
  if (message.transferEncoding == "base64") {
    data += base64Lines(canonical);
  } else {
    // the last line is ended like every other: the end-of-data marker that
    // follows starts on a line of its own
    data += canonical + "\r\n";
  }
  return data;
}

}  // namespace orvane
