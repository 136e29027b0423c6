#include "results/deleted_acceptance.h"

#include <algorithm>
#include <functional>

#include "core/event_names.h"
#include "core/ios_records.h"

namespace orvane {

namespace {

template <class T>
Acceptance judge(const PRRecord& candidate, const std::vector<RecordPtr>& listed,
                 const std::function<bool(const T&)>& isEmpty,
                 const std::function<bool(const T&, const T&)>& sameRecord) {
  const auto* typed = dynamic_cast<const T*>(&candidate);
  if (typed == nullptr) return Acceptance::kEmpty;
  if (isEmpty && isEmpty(*typed)) return Acceptance::kEmpty;
  const bool duplicate = std::any_of(listed.begin(), listed.end(), [&](const RecordPtr& other) {
    const auto* same = dynamic_cast<const T*>(other.get());
    return same != nullptr && sameRecord(*same, *typed);
  });
  return duplicate ? Acceptance::kDuplicate : Acceptance::kAccepted;
}

}  // namespace

Acceptance acceptDeletedRecord(std::string_view eventName, const PRRecord& candidate,
                               const std::vector<RecordPtr>& listed) {
  if (eventName == events::ScanDelContactInfo) {
    return judge<PRContactNode>(candidate, listed, {}, [](const auto& a, const auto& b) {
      return a.contactName == b.contactName && a.contactPhone == b.contactPhone;
    });
  }
  if (eventName == events::ScanDelMessageInfo) {
    return judge<PRMessageNode>(
        candidate, listed,
        [](const auto& m) { return m.messagePhone.empty() && m.messageContent.empty(); },
        [](const auto& a, const auto& b) {
          return a.messagePhone == b.messagePhone && a.messageContent == b.messageContent &&
                 a.messageDate == b.messageDate;
        });
  }
  if (eventName == events::ScanDelNoteInfo) {
    // a missing body equals only another missing body; an empty text equals
    // another empty text
    return judge<PRNoteNode>(
        candidate, listed, [](const auto& n) { return !n.noteTitle && !n.noteContent; },
        [](const auto& a, const auto& b) { return a.noteContent == b.noteContent; });
  }
  if (eventName == events::ScanDelCallHistoryInfo) {
    return judge<PRCallHistoryNode>(
        candidate, listed, [](const auto& c) { return c.callName.empty() && c.callPhone.empty(); },
        [](const auto& a, const auto& b) {
          return a.callPhone == b.callPhone && a.callDate == b.callDate;
        });
  }
  if (eventName == events::scanDelBookMarkInfo) {
    return judge<PRBookMarkNode>(
        candidate, listed,
        [](const auto& m) { return m.bookMarkURL.empty() && m.bookMarkTitle.empty(); },
        [](const auto& a, const auto& b) {
          return a.bookMarkURL == b.bookMarkURL && a.bookMarkTitle == b.bookMarkTitle;
        });
  }
  if (eventName == events::scanDelCalenderInfo) {
    return judge<PRCalenderNode>(
        candidate, listed,
        [](const auto& c) {
          return c.calTitle.empty() && c.calNote.empty() && c.startDate.empty();
        },
        [](const auto& a, const auto& b) {
          return a.calTitle == b.calTitle && a.calNote == b.calNote && a.startDate == b.startDate;
        });
  }
  return Acceptance::kEmpty;
}

}  // namespace orvane
