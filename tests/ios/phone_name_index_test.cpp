// The name index against the plain search it replaces: the first contact in
// list order whose cleaned phone text holds the cleaned number.

#include "ios/phone_name_index.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace orvane {
namespace {

using Contacts = std::vector<std::shared_ptr<PRContactNode>>;

std::optional<std::string> plainSearch(const Contacts& contacts,
                                       const std::vector<std::string>& cleanedPhones,
                                       const std::string& number) {
  const std::string wanted = cleanedPhoneText(number);
  for (std::size_t i = 0; i < contacts.size(); ++i) {
    if (contacts[i]->contactPhone.empty()) continue;
    if (cleanedPhones[i].find(wanted) != std::string::npos) return contacts[i]->contactName;
  }
  return std::nullopt;
}

// Texts of few distinct characters, so that many 4-byte pieces repeat and
// share buckets, with the punctuation and capitals that cleaning removes.
std::string randomText(std::mt19937& random, std::size_t longest) {
  static constexpr char kAlphabet[] = "0123-( )aB";
  std::uniform_int_distribution<std::size_t> length(0, longest);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
  std::string text(length(random), ' ');
  for (char& c : text) c = kAlphabet[pick(random)];
  return text;
}

// An empty list and a list too short to index (" 10": three bytes with its
// end mark) take the plain path inside the index; the large one shares
// buckets between many 4-byte pieces.
TEST(PhoneNameIndex, AnswersAsThePlainSearchDoes) {
  std::mt19937 random(20240611);
  for (const int size : {0, 1, 2, 3000}) {
    Contacts contacts;
    for (int i = 0; i < size; ++i) {
      contacts.push_back(std::make_shared<PRContactNode>());
      contacts.back()->contactName = "Person " + std::to_string(i);
      contacts.back()->contactPhone = size < 3 ? " 1" + std::to_string(i) : randomText(random, 30);
    }
    std::vector<std::string> cleanedPhones;
    for (const auto& c : contacts) cleanedPhones.push_back(cleanedPhoneText(c->contactPhone));
    PhoneNameIndex index(contacts);
    std::vector<std::string> numbers;
    for (int i = 0; i < 2000; ++i) numbers.push_back(randomText(random, 16));
    // each number twice: the second answer comes from what was remembered
    std::size_t found = 0;
    for (int round = 0; round < 2; ++round) {
      for (const auto& number : numbers) {
        const auto expected = plainSearch(contacts, cleanedPhones, number);
        ASSERT_EQ(index.nameFor(number), expected) << size << " \"" << number << '"';
        found += expected ? 1 : 0;
      }
    }
    // both kinds of answer are well represented
    if (size == 3000) {
      EXPECT_GT(found, numbers.size() / 2);
      EXPECT_LT(found, numbers.size() * 3 / 2);
    }
  }
}

}  // namespace
}  // namespace orvane
