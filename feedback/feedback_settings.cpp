#include "feedback/feedback_settings.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string_view>

namespace orvane {
namespace {

std::string environmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The mailbox goes into the From and To headers and the SMTP envelope as it
// is, so it must be a bare address: printable ASCII with one "@", nothing
// that ends a header or an envelope path.
bool isBareAddress(std::string_view address) {
  const std::size_t at = address.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == address.size()) return false;
  if (address.find('@', at + 1) != std::string_view::npos) return false;
  return std::all_of(address.begin(), address.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte < 0x7F && c != '<' && c != '>' && c != ',' && c != '"' && c != '(' &&
           c != ')' && c != ';' && c != '\\';
  });
}

// A host name, an IPv4 address or an IPv6 address; it becomes part of the
// server address, so "/", "@", "?" and the like would change where we go.
bool isHostName(std::string_view host) {
  if (host.empty()) return false;
  const bool bracketed = host.front() == '[' && host.back() == ']' && host.size() > 2;
  if (bracketed) host = host.substr(1, host.size() - 2);
  return std::all_of(host.begin(), host.end(), [bracketed](char c) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return alnum || c == '.' || c == '-' || (bracketed && c == ':');
  });
}

}  // namespace

FeedbackSettings FeedbackSettings::fromEnvironment() {
  FeedbackSettings settings;
  settings.mailbox = environmentText("ORVANE_FEEDBACK_MAILBOX");
  settings.host = environmentText("ORVANE_FEEDBACK_SMTP_HOST");
  settings.password = environmentText("ORVANE_FEEDBACK_PASSWORD");
  settings.caFile = environmentText("ORVANE_FEEDBACK_CA_FILE");
  const std::string port = environmentText("ORVANE_FEEDBACK_SMTP_PORT");
  if (!port.empty()) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    const bool whole = error == std::errc() && end == port.data() + port.size();
    settings.port = whole && value <= 65535 ? static_cast<std::uint16_t>(value) : 0;
  }
  return settings;
}

std::string FeedbackSettings::problem() const {
  const std::string notSetUp = "Feedback mail is not set up: ";
  if (mailbox.empty()) return notSetUp + "ORVANE_FEEDBACK_MAILBOX is not set.";
  if (host.empty()) return notSetUp + "ORVANE_FEEDBACK_SMTP_HOST is not set.";
  if (password.empty()) return notSetUp + "ORVANE_FEEDBACK_PASSWORD is not set.";
  if (!isBareAddress(mailbox)) return notSetUp + "ORVANE_FEEDBACK_MAILBOX is not a mail address.";
  if (!isHostName(host)) return notSetUp + "ORVANE_FEEDBACK_SMTP_HOST is not a host name.";
  if (port == 0) return notSetUp + "ORVANE_FEEDBACK_SMTP_PORT is not a port number.";
  return {};
}

}  // namespace orvane
