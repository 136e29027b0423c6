#include "ios/phone_name_index.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

namespace orvane {

namespace {

constexpr std::size_t kGram = 4;

// The 4 bytes at `at` as one number; only their identity matters, so they
// are read in the machine's own order.
std::uint32_t gramAt(std::string_view text, std::size_t at) {
  std::uint32_t key = 0;
  std::memcpy(&key, text.data() + at, kGram);
  return key;
}

void appendCleaned(std::string& out, std::string_view phone) {
  for (char c : phone) {
    if (c == '-' || c == '(' || c == ')' || c == ' ') continue;
    out.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c);
  }
}

}  // namespace

std::string cleanedPhoneText(std::string_view phone) {
  std::string cleaned;
  cleaned.reserve(phone.size());
  appendCleaned(cleaned, phone);
  return cleaned;
}

PhoneNameIndex::PhoneNameIndex(const std::vector<std::shared_ptr<PRContactNode>>& contacts) {
  starts_.reserve(contacts.size());
  nameStarts_.reserve(contacts.size() + 1);
  for (const auto& contact : contacts) {
    if (firstWithPhone_ == kNobody && !contact->contactPhone.empty()) {
      firstWithPhone_ = static_cast<std::uint32_t>(starts_.size());
    }
    starts_.push_back(phones_.size());
    nameStarts_.push_back(names_.size());
    names_ += contact->contactName;
    appendCleaned(phones_, contact->contactPhone);
    phones_.push_back('\0');
  }
  nameStarts_.push_back(names_.size());
  // offsets are kept in 32 bits; a contact list larger than that is not a
  // phone's, and is searched without the index
  if (phones_.size() < kGram || phones_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    return;
  }
  const std::size_t grams = phones_.size() - kGram + 1;
  bucketBits_ = 1;
  while ((std::size_t{1} << bucketBits_) < grams) ++bucketBits_;
  const std::size_t buckets = std::size_t{1} << bucketBits_;

  // counted, summed up to each bucket's end, then filled from the back so
  // that each bucket's offsets ascend and its start is left in place
  bucketStarts_.assign(buckets + 1, 0);
  for (std::size_t at = 0; at < grams; ++at) ++bucketStarts_[bucketOf(phones_, at)];
  std::uint32_t sum = 0;
  for (std::size_t b = 0; b < buckets; ++b) {
    sum += bucketStarts_[b];
    bucketStarts_[b] = sum;
  }
  bucketStarts_[buckets] = sum;
  positions_.resize(grams);
  for (std::size_t at = grams; at-- > 0;) {
    positions_[--bucketStarts_[bucketOf(phones_, at)]] = static_cast<std::uint32_t>(at);
  }
}

std::size_t PhoneNameIndex::bucketOf(std::string_view text, std::size_t at) const {
  // Fibonacci hashing: the top bits of the product mix every byte
  return (gramAt(text, at) * 0x9E3779B1u) >> (32 - bucketBits_);
}

std::uint32_t PhoneNameIndex::contactAt(std::size_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<std::uint32_t>(after - starts_.begin()) - 1;
}

std::uint32_t PhoneNameIndex::firstContactHolding(std::string_view cleaned) const {
  // the empty number is held by every contact that has a phone text at all
  if (cleaned.empty()) return firstWithPhone_;
  if (cleaned.find('\0') != std::string_view::npos) return kNobody;

  const std::string_view all(phones_);
  if (cleaned.size() < kGram || positions_.empty()) {
    const std::size_t found = all.find(cleaned);
    return found == std::string_view::npos ? kNobody : contactAt(found);
  }
  // The emptiest bucket of the number's pieces gives the fewest places to
  // try; its offsets ascend, so the first that holds the number is the
  // first contact.
  std::size_t fewest = 0;
  std::size_t fewestCount = std::numeric_limits<std::size_t>::max();
  std::size_t fewestGramOffset = 0;
  for (std::size_t at = 0; at + kGram <= cleaned.size(); ++at) {
    const std::size_t bucket = bucketOf(cleaned, at);
    const std::size_t count = bucketStarts_[bucket + 1] - bucketStarts_[bucket];
    if (count == 0) return kNobody;
    if (count < fewestCount) {
      fewest = bucket;
      fewestCount = count;
      fewestGramOffset = at;
    }
  }
  for (std::size_t i = bucketStarts_[fewest]; i < bucketStarts_[fewest + 1]; ++i) {
    const std::size_t position = positions_[i];
    if (position < fewestGramOffset) continue;
    const std::size_t start = position - fewestGramOffset;
    if (all.substr(start, cleaned.size()) == cleaned) return contactAt(start);
  }
  return kNobody;
}

std::optional<std::string_view> PhoneNameIndex::nameAt(std::uint32_t contact) const {
  if (contact == kNobody) return std::nullopt;
  return std::string_view(names_).substr(nameStarts_[contact],
                                         nameStarts_[contact + 1] - nameStarts_[contact]);
}

std::optional<std::string_view> PhoneNameIndex::nameOf(std::string_view phoneNumber) {
  // remembered by the number as written: the same text comes again and again
  const std::uint64_t hash = std::hash<std::string_view>{}(phoneNumber) | 1;
  if (!answers_.empty()) {
    const std::size_t mask = answers_.size() - 1;
    for (std::size_t slot = hash & mask; answers_[slot].hash != 0; slot = (slot + 1) & mask) {
      const Answer& answer = answers_[slot];
      if (answer.hash == hash &&
          std::string_view(answeredNumbers_).substr(answer.keyAt, answer.keyLength) ==
              phoneNumber) {
        return nameAt(answer.contact);
      }
    }
  }
  const std::uint32_t contact = firstContactHolding(cleanedPhoneText(phoneNumber));
  remember(hash, phoneNumber, contact);
  return nameAt(contact);
}

void PhoneNameIndex::remember(std::uint64_t hash, std::string_view phoneNumber,
                              std::uint32_t contact) {
  // at most half full, so that probes stay short
  if ((answerCount_ + 1) * 2 > answers_.size()) {
    std::vector<Answer> old(std::max<std::size_t>(64, answers_.size() * 2));
    old.swap(answers_);
    const std::size_t mask = answers_.size() - 1;
    for (const Answer& answer : old) {
      if (answer.hash == 0) continue;
      std::size_t slot = answer.hash & mask;
      while (answers_[slot].hash != 0) slot = (slot + 1) & mask;
      answers_[slot] = answer;
    }
  }
  const std::size_t mask = answers_.size() - 1;
  std::size_t slot = hash & mask;
  while (answers_[slot].hash != 0) slot = (slot + 1) & mask;
  answers_[slot] = Answer{.hash = hash,
                          .keyAt = answeredNumbers_.size(),
                          .keyLength = phoneNumber.size(),
                          .contact = contact};
  answeredNumbers_.append(phoneNumber);
  ++answerCount_;
}

std::optional<std::string> PhoneNameIndex::nameFor(std::string_view phoneNumber) {
  if (const auto name = nameOf(phoneNumber)) return std::string(*name);
  return std::nullopt;
}

}  // namespace orvane
