// Every format, fed a real file of its kind followed by noise, must find the
// file's exact end however the bytes are cut into blocks.
#include <gtest/gtest.h>

#include "carve.h"

namespace orvane::engine::testing {
namespace {

class EndFinders : public ::testing::TestWithParam<std::string> {};

TEST_P(EndFinders, FindTheExactEndWhereverTheBlocksAreCut) {
  const Sample& file = sample(GetParam());
  const Bytes data = join({file.bytes, noise(8192, 2)});
  ASSERT_TRUE(carveWhole(data).headerFound);
  // Blocks of steady sizes, then two blocks cut at every place in the first
  // 4 KiB (where the headers are) and in the last 1 KiB (where the end is
  // decided); a stride in between keeps it quick.
  std::vector<std::vector<std::size_t>> patterns = {{1},   {2, 3},    {7, 1, 13}, {511},
                                                    {512}, {4095, 1}, {65536},    {data.size()}};
  for (std::size_t cut = 1; cut < file.bytes.size() + 64; ++cut) {
    if (cut < 4096 || cut + 1024 > file.bytes.size() || cut % 331 == 0) {
      patterns.push_back({cut, data.size()});
    }
  }
  for (const auto& pattern : patterns) {
    const Carved carved = carve(data, pattern);
    ASSERT_EQ(carved.kind, Verdict::Kind::endsHere) << "block " << pattern[0];
    ASSERT_EQ(carved.length, file.bytes.size()) << "block " << pattern[0];
    ASSERT_EQ(carved.extension, file.extension) << "block " << pattern[0];
  }
}

std::string kindName(const ::testing::TestParamInfo<std::string>& kind) {
  std::string name = kind.param;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Samples, EndFinders, ::testing::ValuesIn(sampleKinds()), kindName);

TEST(EndFinders, ClipsBackToBackEndWhereTheNextBegins) {
  // Packets stay in step across two streams; their counters do not.
  for (const char* kind : {"mts", "ts"}) {
    const Bytes& clip = sample(kind).bytes;
    EXPECT_EQ(carveWhole(join({clip, clip})).length, clip.size()) << kind;
  }
}

}  // namespace
}  // namespace orvane::engine::testing
