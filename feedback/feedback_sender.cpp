#include "feedback/feedback_sender.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>

#include "feedback/feedback_message.h"

namespace orvane {
namespace {

// A mail server that is there answers within seconds; these only keep a
// silent or vanished one from holding the send (and the user) for ever.
constexpr long kConnectTimeoutSeconds = 20;
constexpr long kTransferTimeoutSeconds = 60;

void initialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// "<32 hex digits>@<the mailbox's domain>": unique without a counter.
std::string newMessageId(std::string_view mailbox) {
  std::random_device random;
  std::string id;
  static constexpr char kHex[] = "0123456789abcdef";
  for (int i = 0; i < 32; ++i) id += kHex[random() % 16];
  const std::size_t at = mailbox.find('@');
  id += "@";
  id += at != std::string_view::npos ? mailbox.substr(at + 1) : std::string_view("localhost");
  return id;
}

// Server host as it goes into the address: an IPv6 literal needs brackets.
std::string serverAddress(const FeedbackSettings& settings) {
  std::string host = settings.host;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  return "smtps://" + host + ":" + std::to_string(settings.port);
}

// No text we build holds the password, but a failure text partly comes from
// the transfer library; never let it carry the password to the user or a log.
std::string withoutPassword(std::string text, const std::string& password) {
  if (password.size() < 4) return text;
  for (std::size_t at = text.find(password); at != std::string::npos;
       at = text.find(password, at)) {
    text.replace(at, password.size(), "****");
  }
  return text;
}

struct UploadSource {
  std::string data;
  std::size_t offset = 0;
};

std::size_t readUpload(char* buffer, std::size_t size, std::size_t count, void* userData) {
  auto* source = static_cast<UploadSource*>(userData);
  const std::size_t length = std::min(size * count, source->data.size() - source->offset);
  std::memcpy(buffer, source->data.data() + source->offset, length);
  source->offset += length;
  return length;
}

int followConversation(CURL*, curl_infotype type, char* data, std::size_t size, void* userData) {
  auto* progress = static_cast<SmtpProgressLog*>(userData);
  // The library's own texts and the data we upload are not looked at: the
  // latter is the user's mail, the former may quote what was sent.
  if (type == CURLINFO_HEADER_OUT) progress->commandSent(std::string_view(data, size));
  if (type == CURLINFO_HEADER_IN) progress->replyReceived(std::string_view(data, size));
  return 0;
}

int checkCancel(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* cancel = static_cast<const std::atomic<bool>*>(userData);
  return cancel != nullptr && cancel->load() ? 1 : 0;
}

struct CurlCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

FeedbackOutcome failed(std::string why) {
  return {FeedbackOutcome::Status::Failed, "The feedback mail was not sent: " + std::move(why)};
}

}  // namespace

FeedbackOutcome sendFeedBackMail(const FeedbackSettings& settings, std::string_view regEmail,
                                 std::string_view suggestion, const FeedbackLog& log,
                                 const std::atomic<bool>* cancel) {
  if (std::string problem = settings.problem(); !problem.empty()) {
    return {FeedbackOutcome::Status::NotSetUp, std::move(problem)};
  }
  const FeedbackMessage message =
      composeFeedBackMessage(settings.mailbox, getFeedBackInfo(regEmail, suggestion));
  UploadSource upload{renderMailData(message, std::time(nullptr), newMessageId(settings.mailbox))};

  initialiseCurlOnce();
  SmtpProgressLog progress(log);
  std::unique_ptr<curl_slist, SlistCleanup> recipients(
      curl_slist_append(nullptr, ("<" + settings.mailbox + ">").c_str()));
  CURLcode code = CURLE_OUT_OF_MEMORY;
  bool connecting = false;
  char detail[CURL_ERROR_SIZE] = {};
  {
    // destroyed before `progress`: closing the connection still reports to it
    std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
    if (curl && recipients) {
      const std::string address = serverAddress(settings);
      const std::string from = "<" + settings.mailbox + ">";
      CURL* handle = curl.get();
      curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
      curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtps");
      curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
      if (!settings.caFile.empty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, settings.caFile.c_str());
      curl_easy_setopt(handle, CURLOPT_USERNAME, settings.mailbox.c_str());
      curl_easy_setopt(handle, CURLOPT_PASSWORD, settings.password.c_str());
      curl_easy_setopt(handle, CURLOPT_LOGIN_OPTIONS, "AUTH=PLAIN");
      curl_easy_setopt(handle, CURLOPT_MAIL_FROM, from.c_str());
      curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
      curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
      curl_easy_setopt(handle, CURLOPT_READFUNCTION, readUpload);
      curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
      // several sends may run at once, each on its own thread
      curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
      curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
      curl_easy_setopt(handle, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
      curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
      curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, checkCancel);
      curl_easy_setopt(handle, CURLOPT_XFERINFODATA, cancel);
      curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, detail);
      // the conversation goes to followConversation only, never to stderr
      curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
      curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, followConversation);
      curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &progress);

      if (log) log("Connecting to the " + settings.host + " server...");
      connecting = true;
      code = curl_easy_perform(handle);
    }
  }
  if (connecting && log) log("Connection closed.");

  if (code == CURLE_OK) return {FeedbackOutcome::Status::Sent, "The feedback mail was sent."};
  if (code == CURLE_ABORTED_BY_CALLBACK) return failed("the application is closing.");
  // the library's detail names the host, port or certificate problem
  const std::string why = detail[0] != '\0' ? detail : curl_easy_strerror(code);
  return failed(withoutPassword(why + ".", settings.password));
}

FeedbackMailer::FeedbackMailer(FeedbackLog log) : log_(std::move(log)) {}

FeedbackMailer::~FeedbackMailer() {
  closing_ = true;
  std::lock_guard lock(sendsMutex_);
  for (auto& send : sends_) send.wait();
}

void FeedbackMailer::send(FeedbackSettings settings, std::string regEmail, std::string suggestion,
                          Done done) {
  std::lock_guard lock(sendsMutex_);
  std::erase_if(sends_, [](const std::future<void>& send) {
    return send.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  });
  sends_.push_back(std::async(
      std::launch::async, [this, settings = std::move(settings), regEmail = std::move(regEmail),
                           suggestion = std::move(suggestion), done = std::move(done)] {
        const FeedbackOutcome outcome =
            sendFeedBackMail(settings, regEmail, suggestion, log_, &closing_);
        if (done) done(outcome);
      }));
}

}  // namespace orvane
