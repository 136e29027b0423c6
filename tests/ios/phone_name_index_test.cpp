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

std::shared_ptr<PRContactNode> contact(std::string name, std::string phones) {
  auto node = std::make_shared<PRContactNode>();
  node->contactName = std::move(name);
  node->contactPhone = std::move(phones);
  return node;
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

TEST(PhoneNameIndex, AnswersAsThePlainSearchDoes) {
  std::mt19937 random(20240611);
  Contacts contacts;
  for (int i = 0; i < 3000; ++i) {
    contacts.push_back(contact("Person " + std::to_string(i), randomText(random, 30)));
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
      ASSERT_EQ(index.nameFor(number), expected) << '"' << number << '"';
      found += expected ? 1 : 0;
    }
  }
  // both kinds of answer are well represented
  EXPECT_GT(found, numbers.size() / 2);
  EXPECT_LT(found, numbers.size() * 3 / 2);
}

TEST(PhoneNameIndex, NumbersNoContactCouldHold) {
  const Contacts contacts = {contact("Blank", " -( )"), contact("Ann", " 5551234"),
                             contact("Bob", " 5556789")};
  PhoneNameIndex index(contacts);
  // a phone text of punctuation only still counts as a phone text
  EXPECT_EQ(index.nameFor(""), "Blank");
  EXPECT_EQ(index.nameFor(" - "), "Blank");
  EXPECT_EQ(index.nameFor(std::string("555\0", 4)), std::nullopt);
  // never across the end of one contact's text into the next
  EXPECT_EQ(index.nameFor("12345556"), std::nullopt);
  EXPECT_EQ(index.nameFor("4555"), std::nullopt);

  PhoneNameIndex empty(Contacts{});
  EXPECT_EQ(empty.nameFor(""), std::nullopt);
  EXPECT_EQ(empty.nameFor("5551234"), std::nullopt);
  PhoneNameIndex tiny({contact("Cy", " 12")});
  EXPECT_EQ(tiny.nameFor("2"), "Cy");
  EXPECT_EQ(tiny.nameFor("123"), std::nullopt);
}

}  // namespace
}  // namespace orvane
