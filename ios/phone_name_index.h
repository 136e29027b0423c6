#pragma once

// Names by phone number over one scan's contact list, without a pass over
// every contact per message: each contact's numbers are cleaned once into
// one text, a 4-byte gram index points into it, and every number asked for
// is answered once and remembered.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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

 private:
  std::optional<std::size_t> firstContactHolding(const std::string& cleaned) const;
  std::size_t contactAt(std::size_t offset) const;

  // the cleaned phone texts of all contacts, each followed by a NUL, which
  // no decoded database text holds
  std::string phones_;
  std::vector<std::size_t> starts_;  // offset of each contact's text in phones_
  std::vector<std::string> names_;
  std::vector<bool> hasPhone_;
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> grams_;
  // contact answered for each number as written
  std::unordered_map<std::string, std::optional<std::size_t>> answered_;
};

// "-", "(", ")" and " " removed, ASCII letters lowered.
std::string cleanedPhoneText(std::string_view phone);

}  // namespace orvane
