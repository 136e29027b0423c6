#include "ios/phone_name_index.h"

#include <algorithm>
#include <limits>

namespace orvane {

namespace {

constexpr std::size_t kGram = 4;

std::uint32_t gramAt(std::string_view text, std::size_t at) {
  std::uint32_t key = 0;
  for (std::size_t i = 0; i < kGram; ++i) {
    key = (key << 8) | static_cast<unsigned char>(text[at + i]);
  }
  return key;
}

}  // namespace

std::string cleanedPhoneText(std::string_view phone) {
  std::string cleaned;
  cleaned.reserve(phone.size());
  for (char c : phone) {
    if (c == '-' || c == '(' || c == ')' || c == ' ') continue;
    cleaned.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c);
  }
  return cleaned;
}

PhoneNameIndex::PhoneNameIndex(const std::vector<std::shared_ptr<PRContactNode>>& contacts) {
  for (const auto& contact : contacts) {
    starts_.push_back(phones_.size());
    names_.push_back(contact->contactName);
    hasPhone_.push_back(!contact->contactPhone.empty());
    phones_ += cleanedPhoneText(contact->contactPhone);
    phones_.push_back('\0');
  }
  // offsets are kept in 32 bits; a contact list larger than that is not a phone's
  if (phones_.size() >= kGram && phones_.size() < std::numeric_limits<std::uint32_t>::max()) {
    for (std::size_t at = 0; at + kGram <= phones_.size(); ++at) {
      grams_[gramAt(phones_, at)].push_back(static_cast<std::uint32_t>(at));
    }
  }
}

std::size_t PhoneNameIndex::contactAt(std::size_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<std::size_t>(after - starts_.begin()) - 1;
}

std::optional<std::size_t> PhoneNameIndex::firstContactHolding(const std::string& cleaned) const {
  if (cleaned.empty()) {
    // the empty number is held by every contact that has a phone text at all
    for (std::size_t i = 0; i < hasPhone_.size(); ++i) {
      if (hasPhone_[i]) return i;
    }
    return std::nullopt;
  }
  if (cleaned.find('\0') != std::string::npos) return std::nullopt;

  if (cleaned.size() < kGram || grams_.empty()) {
    const std::size_t found = phones_.find(cleaned);
    if (found == std::string::npos) return std::nullopt;
    return contactAt(found);
  }
  // The rarest gram of the number gives the fewest places to try; its
  // positions ascend, so the first that holds the number is the first contact.
  const std::vector<std::uint32_t>* fewest = nullptr;
  std::size_t fewestGramOffset = 0;
  for (std::size_t at = 0; at + kGram <= cleaned.size(); ++at) {
    const auto it = grams_.find(gramAt(cleaned, at));
    if (it == grams_.end()) return std::nullopt;
    if (fewest == nullptr || it->second.size() < fewest->size()) {
      fewest = &it->second;
      fewestGramOffset = at;
    }
  }
  const std::string_view all(phones_);
  for (std::uint32_t position : *fewest) {
    if (position < fewestGramOffset) continue;
    const std::size_t start = position - fewestGramOffset;
    if (all.substr(start, cleaned.size()) == cleaned) return contactAt(start);
  }
  return std::nullopt;
}

std::optional<std::string> PhoneNameIndex::nameFor(std::string_view phoneNumber) {
  // remembered by the number as written: the same text comes again and again
  std::string asWritten(phoneNumber);
  auto known = answered_.find(asWritten);
  if (known == answered_.end()) {
    const auto contact = firstContactHolding(cleanedPhoneText(phoneNumber));
    known = answered_.emplace(std::move(asWritten), contact).first;
  }
  if (!known->second) return std::nullopt;
  return names_[*known->second];
}

}  // namespace orvane
