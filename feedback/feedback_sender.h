#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "feedback/feedback_settings.h"
#include "feedback/smtp_progress_log.h"

namespace orvane {

// What became of one suggestion mail, told to the user as it is.
struct FeedbackOutcome {
  enum class Status { Sent, NotSetUp, Failed };
  Status status = Status::Failed;
  std::string text;  // never holds the password

  bool sent() const { return status == Status::Sent; }
};

// Composes the suggestion mail and sends it over SMTP with implicit TLS and
// a PLAIN login, on the calling thread. Returns once the server accepted or
// refused it; connecting and the whole exchange are bounded in time. With
// settings that are not complete nothing is tried. `cancel`, when given and
// set, stops the exchange at the next chance.
FeedbackOutcome sendFeedBackMail(const FeedbackSettings& settings, std::string_view regEmail,
                                 std::string_view suggestion,
                                 const FeedbackLog& log = logToStandardError,
                                 const std::atomic<bool>* cancel = nullptr);

// Sends suggestion mails in the background so the window stays responsive.
class FeedbackMailer {
 public:
  using Done = std::function<void(const FeedbackOutcome&)>;

  explicit FeedbackMailer(FeedbackLog log = logToStandardError);
  // Stops the sends still in progress and waits for them; their `done` is
  // called (with a failure) before this returns.
  ~FeedbackMailer();
  FeedbackMailer(const FeedbackMailer&) = delete;
  FeedbackMailer& operator=(const FeedbackMailer&) = delete;

  // Starts one send on a thread of its own and calls `done` on that thread
  // with the outcome; the desktop window hands it to its own thread to show.
  // Sends do not wait for each other. `done` must not call back into the
  // mailer: closing it waits for the sends with its lock held.
  void send(FeedbackSettings settings, std::string regEmail, std::string suggestion, Done done);

 private:
  FeedbackLog log_;
  std::atomic<bool> closing_{false};
  std::mutex sendsMutex_;
  std::vector<std::future<void>> sends_;
};

}  // namespace orvane
