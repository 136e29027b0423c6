#pragma once

// Names by phone number over one scan's contact list, without a pass over
// every contact per message: each contact's numbers are cleaned once into
// one text, an index of its 4-byte pieces points into it, and every number
// asked for is answered once and remembered.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ios_records.h"

namespace orvane {

class PhoneNameIndex {
 public:
  // The contacts in list order; their phone texts and names are copied.
  explicit PhoneNameIndex(const std::vector<std::shared_ptr<PRContactNode>>& contacts);

  // The name of the first contact whose phone text, without "-", "(", ")"
  // and " ", holds the number so cleaned, compared without regard to case.
  std::optional<std::string> nameFor(std::string_view phoneNumber);
  // The same answer without a copy, valid while the index lives.
  std::optional<std::string_view> nameOf(std::string_view phoneNumber);

 private:
  static constexpr std::uint32_t kNobody = UINT32_MAX;

  std::uint32_t firstContactHolding(std::string_view cleaned) const;
  std::uint32_t contactAt(std::size_t offset) const;
  std::optional<std::string_view> nameAt(std::uint32_t contact) const;
  std::size_t bucketOf(std::string_view text, std::size_t at) const;
  void remember(std::uint64_t hash, std::string_view phoneNumber, std::uint32_t contact);

  // the cleaned phone texts of all contacts, each followed by a NUL, which
  // no decoded database text holds
  std::string phones_;
  std::vector<std::size_t> starts_;  // offset of each contact's text in phones_
  // all names run together; contact i's is names_ from nameStarts_[i] up
  // to nameStarts_[i + 1]
  std::string names_;
  std::vector<std::size_t> nameStarts_;
  std::uint32_t firstWithPhone_ = kNobody;

  // Every offset of phones_ by the bucket of the 4 bytes starting there, in
  // ascending order within a bucket: bucket b holds
  // positions_[bucketStarts_[b]] up to positions_[bucketStarts_[b + 1]].
  // Pieces that share a bucket are told apart by comparing the text.
  std::vector<std::uint32_t> bucketStarts_;
  std::vector<std::uint32_t> positions_;
  unsigned bucketBits_ = 0;

  // The numbers answered so far, as written, in one open-addressed table:
  // a scan asks for the same few numbers again and again, between records
  // that push everything else out of the processor's caches.
  struct Answer {
    std::uint64_t hash = 0;  // 0: a free slot
    std::size_t keyAt = 0;   // the number's place in answeredNumbers_
    std::size_t keyLength = 0;
    std::uint32_t contact = kNobody;
  };
  std::vector<Answer> answers_;
  std::string answeredNumbers_;
  std::size_t answerCount_ = 0;
};

// "-", "(", ")" and " " removed, ASCII letters lowered.
std::string cleanedPhoneText(std::string_view phone);

}  // namespace orvane
