#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// Where the suggestion mail goes and how to log in. Nothing of this lives in
// the source: the person who runs the application sets it in the environment.
struct FeedbackSettings {
  std::string mailbox;   // ORVANE_FEEDBACK_MAILBOX: sender, recipient and login
  std::string host;      // ORVANE_FEEDBACK_SMTP_HOST
  std::string password;  // ORVANE_FEEDBACK_PASSWORD
  // ORVANE_FEEDBACK_SMTP_PORT; implicit TLS, so 465 unless set (0 when the
  // variable holds no port number)
  std::uint16_t port = 465;
  // ORVANE_FEEDBACK_CA_FILE: certificates to trust instead of the system's,
  // for a server with a certificate of its own making. Empty: the system's.
  std::string caFile;

  static FeedbackSettings fromEnvironment();

  // Empty when mail can be sent; otherwise the text that tells the user why
  // feedback mail is not set up.
  std::string problem() const;
};

}  // namespace orvane
