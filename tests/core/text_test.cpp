#include "core/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace orvane {
namespace {

// Lengths on both sides of the inline capacity: 15 bytes stay in the
// object, 16 go to the heap.
class TextLengths : public ::testing::TestWithParam<std::size_t> {};

TEST_P(TextLengths, KeepsEveryByteAndEndsInANul) {
  std::string original;
  for (std::size_t i = 0; i < GetParam(); ++i) original += static_cast<char>('a' + i % 26);
  const Text text(original);
  EXPECT_EQ(text.size(), original.size());
  EXPECT_EQ(text, original);
  EXPECT_EQ(text.empty(), original.empty());
  EXPECT_EQ(text.c_str()[text.size()], '\0');
  EXPECT_EQ(std::string(text.c_str()), original);
  EXPECT_EQ(text.str(), original);
}

TEST_P(TextLengths, CopiesAndMovesLeaveIndependentTexts) {
  const std::string original(GetParam(), 'x');
  Text first(original);
  Text copy(first);
  first = "changed";
  EXPECT_EQ(copy, original);
  Text moved(std::move(copy));
  EXPECT_EQ(moved, original);
  EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from text is empty
  Text target("something longer than fifteen bytes");
  target = std::move(moved);
  EXPECT_EQ(target, original);
  target = target;  // NOLINT: self-assignment keeps the text
  EXPECT_EQ(target, original);
}

INSTANTIATE_TEST_SUITE_P(AroundTheInlineCapacity, TextLengths,
                         ::testing::Values(0, 1, 14, 15, 16, 17, 300));

TEST(Text, AssigningAViewIntoItselfIsSafe) {
  Text longText("a text that lives on the heap, not inline");
  longText = longText.view().substr(2, 20);
  EXPECT_EQ(longText, "text that lives on t");
  Text shortText("inline text");
  shortText = shortText.view().substr(7);
  EXPECT_EQ(shortText, "text");
}

TEST(Text, KeepsEmbeddedNulBytes) {
  const std::string withNul("ab\0cd", 5);
  EXPECT_EQ(Text(withNul).size(), 5u);
  const std::string longWithNul("0123456789\0abcdefghij", 21);
  EXPECT_EQ(Text(longWithNul), longWithNul);
}

TEST(Text, AppendingCrossesFromInlineToHeap) {
  Text text("Smith");
  text += " John";
  EXPECT_EQ(text, "Smith John");
  text += " the younger";
  EXPECT_EQ(text, "Smith John the younger");
  EXPECT_EQ(text.c_str()[text.size()], '\0');
}

TEST(Text, ComparesAndJoinsLikeAString) {
  const Text a("Anna");
  const Text b("Bert, a name longer than fifteen");
  EXPECT_LT(a, b);
  EXPECT_NE(a, b);
  EXPECT_EQ(a, std::string("Anna"));
  std::vector<Text> names{b, a};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names.front(), "Anna");
  EXPECT_EQ("Name:" + a + "  ", "Name:Anna  ");
  EXPECT_EQ(a + "!", "Anna!");
  std::ostringstream out;
  out << b;
  EXPECT_EQ(out.str(), "Bert, a name longer than fifteen");
}

}  // namespace
}  // namespace orvane
