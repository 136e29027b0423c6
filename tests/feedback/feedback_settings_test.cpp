#include "feedback/feedback_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

namespace orvane {
namespace {

// Each case starts from a complete environment and changes one variable (an
// empty value unsets it); the problem named is "" or ends with `problem`.
TEST(FeedbackSettings, EnvironmentIsReadAndEachBadValueIsNamed) {
  const struct {
    std::string name;
    const char* value;
    std::string problem;
  } cases[] = {
      {"SMTP_PORT", "2465", ""},
      {"MAILBOX", "", "is not set."},
      {"SMTP_HOST", "", "is not set."},
      {"PASSWORD", "", "is not set."},
      {"SMTP_PORT", "465x", "is not a port number."},
      {"SMTP_PORT", "70000", "is not a port number."},
      {"SMTP_PORT", "0", "is not a port number."},
      {"MAILBOX", "s@orvane.test\r\nBcc: x@y", "is not a mail address."},
      {"MAILBOX", "<a@b>", "is not a mail address."},
      {"MAILBOX", "a@b@c", "is not a mail address."},
      {"SMTP_HOST", "user@mail.test", "is not a host name."},
      {"SMTP_HOST", "mail.test:25", "is not a host name."},
      {"SMTP_HOST", "[::1]", ""},
  };
  for (const auto& c : cases) {
    setenv("ORVANE_FEEDBACK_MAILBOX", "support@orvane.test", 1);
    setenv("ORVANE_FEEDBACK_SMTP_HOST", "127.0.0.1", 1);
    setenv("ORVANE_FEEDBACK_PASSWORD", "pw-583920417", 1);
    setenv("ORVANE_FEEDBACK_CA_FILE", "/tmp/ca.pem", 1);
    unsetenv("ORVANE_FEEDBACK_SMTP_PORT");
    const auto defaults = FeedbackSettings::fromEnvironment();
    EXPECT_EQ(defaults.port, 465);
    EXPECT_EQ(defaults.caFile, "/tmp/ca.pem");
    const std::string name = "ORVANE_FEEDBACK_" + c.name;
    *c.value ? setenv(name.c_str(), c.value, 1) : unsetenv(name.c_str());
    const std::string problem =
        c.problem.empty() ? "" : "Feedback mail is not set up: " + name + " " + c.problem;
    EXPECT_EQ(FeedbackSettings::fromEnvironment().problem(), problem) << name << "=" << c.value;
  }
  EXPECT_EQ(FeedbackSettings::fromEnvironment().host, "[::1]");
  for (const char* name : {"MAILBOX", "SMTP_HOST", "PASSWORD", "SMTP_PORT", "CA_FILE"}) {
    unsetenv(("ORVANE_FEEDBACK_" + std::string(name)).c_str());
  }
}

}  // namespace
}  // namespace orvane
