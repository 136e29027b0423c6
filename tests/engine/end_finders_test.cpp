// Every format, fed a real file of its kind followed by noise, must find the
// file's exact end however the bytes are cut into blocks.
#include <gtest/gtest.h>

#include "carve.h"
#include "writers.h"

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
    ASSERT_EQ(std::tie(carved.kind, carved.length, carved.extension),
              std::make_tuple(Verdict::Kind::endsHere, file.bytes.size(), file.extension))
        << "block " << pattern[0];
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, EndFinders, ::testing::ValuesIn(sampleKinds()),
                         [](const auto& kind) { return kind.param; });

TEST(EndFinders, ClipsBackToBackEndWhereTheNextBegins) {
  // Packets stay in step across two streams; their counters do not.
  for (const char* kind : {"mts", "ts"}) {
    const Bytes& clip = sample(kind).bytes;
    EXPECT_EQ(carveWhole(join({clip, clip})).length, clip.size()) << kind;
  }
}

// FLAC and RAR beyond the checks every sample goes through: damage ends a
// file after its last sound part; locked RAR headers; look-alikes.
TEST(FlacRar, FlacCutOffEndsAfterItsLastWholeFrame) {
  const Bytes& flac = sample("flac").bytes;
  const Bytes half(flac.begin(), flac.begin() + flac.size() / 2);
  const Carved carved = carveWhole(join({half, noise(65536, 7)}));
  // A frame starts there, less than a frame (4608 samples) back.
  ASSERT_LT(carved.length, half.size());
  EXPECT_GT(carved.length + 4608 * 2 * 2, half.size());
  EXPECT_EQ(flac[carved.length], std::byte{0xFF});
  EXPECT_EQ(flac[carved.length + 1], std::byte{0xF8});
}

TEST(FlacRar, RarEndsAfterItsLastBlockThatChecksOut) {
  for (const int version : {4, 5}) {
    const RarFile first{"a.txt", std::string(3000, 'a')};
    Bytes damaged = rarArchive(version, {first, {"b.txt", "b"}});
    const std::size_t firstEnd = rarArchive(version, {first}, false).size();
    damaged[firstEnd + 8] ^= std::byte{1};  // inside the second file's header
    EXPECT_EQ(carveWhole(join({damaged, noise(4096, 1)})).length, firstEnd) << version;
  }
}

TEST(FlacRar, RarWithLockedHeadersEndsAtTheNextFileOrAnEmptySector) {
  Bytes locked = rarArchive(5, {{"a.txt", std::string(3000, 'a')}}, true, true);
  const std::size_t sectorEnd = (locked.size() + 511) / 512 * 512;
  locked.resize(sectorEnd, std::byte{0x33});  // old data in the rest of its last sector
  Bytes png = sample("png").bytes;
  png.resize((png.size() + 511) / 512 * 512, std::byte{0x33});
  const auto found = scanImage(join({locked, png, locked, Bytes(4096)}));
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].length, sectorEnd);  // where the PNG starts
  EXPECT_EQ(found[2].extension, "rar");
  EXPECT_EQ(found[2].length, sectorEnd);  // before the empty sectors
}

TEST(FlacRar, LookAlikesAreNoFiles) {
  Bytes flac = sample("flac").bytes, rar4 = sample("rar_4").bytes, rar5 = sample("rar_5").bytes;
  flac[4] = std::byte{1};    // the first block is not STREAMINFO
  rar4[12] ^= std::byte{1};  // the archive header fails its CRC
  rar5[12] ^= std::byte{1};
  for (const Bytes& head : {flac, rar4, rar5}) EXPECT_FALSE(carveWhole(head).headerFound);
}

}  // namespace
}  // namespace orvane::engine::testing
