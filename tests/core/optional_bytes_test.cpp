#include "core/optional_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "core/content_memory.h"

namespace orvane {
namespace {

namespace memory = content_memory;

Bytes counting(std::size_t size) {
  Bytes bytes(size);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

TEST(OptionalBytes, NoneDiffersFromEmptyAndCopiesAreDeep) {
  OptionalBytes none;
  OptionalBytes empty(Bytes{});
  EXPECT_FALSE(none.has_value());
  EXPECT_FALSE(none.view().has_value());
  EXPECT_TRUE(empty.has_value());
  EXPECT_TRUE(empty.view().has_value());
  EXPECT_TRUE(empty.empty());
  EXPECT_NE(none, empty);
  EXPECT_EQ(none, std::nullopt);
  EXPECT_NE(none, Bytes{});

  OptionalBytes picture(Bytes{0xFF, 0xD8});
  OptionalBytes copy(picture);
  picture.append(Bytes{0xFF});
  EXPECT_EQ(copy, (Bytes{0xFF, 0xD8}));
  EXPECT_EQ(picture, (Bytes{0xFF, 0xD8, 0xFF}));
  copy = picture;
  EXPECT_EQ(copy, picture);
  copy.reset();
  EXPECT_FALSE(copy);
  copy.append(Bytes{});
  EXPECT_EQ(copy, Bytes{});  // appending nothing still makes it present
  copy.reset();
  copy.append(Bytes{7});
  EXPECT_EQ(copy, Bytes{7});

  OptionalBytes moved(std::move(picture));
  EXPECT_FALSE(picture);  // NOLINT(bugprone-use-after-move): a moved-from field is none
  EXPECT_EQ(moved.size(), 3u);
}

TEST(OptionalBytes, PiecesWithinTheRoomGivenStayInPlace) {
  OptionalBytes file;
  file.assign(Bytes{1, 2, 3}, 9);
  const std::uint8_t* start = file.bytes().data();
  file.append(Bytes{4, 5, 6});
  file.append(Bytes{7, 8, 9});
  EXPECT_EQ(file.bytes().data(), start);
  EXPECT_EQ(file, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));

  // past the room it moves, keeping every byte
  file.append(Bytes{10});
  EXPECT_EQ(file, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(OptionalBytes, AppendingItsOwnBytesKeepsThem) {
  OptionalBytes inRoom;
  inRoom.assign(Bytes{1, 2}, 4);
  inRoom.append(inRoom.bytes());
  EXPECT_EQ(inRoom, (Bytes{1, 2, 1, 2}));
  // no room left: the block moves while its bytes are being appended
  inRoom.append(inRoom.bytes());
  EXPECT_EQ(inRoom, (Bytes{1, 2, 1, 2, 1, 2, 1, 2}));
  inRoom.assign(inRoom.bytes().subspan(6));
  EXPECT_EQ(inRoom, (Bytes{1, 2}));
}

TEST(ContentMemory, LargeFilesShareChunksAndGiveThemBack) {
  const auto before = memory::usage();
  const Bytes megabyte = counting(1024 * 1024);
  {
    std::vector<OptionalBytes> files(3);
    for (auto& file : files) file.assign(megabyte);
    EXPECT_EQ(memory::usage().blocksInChunks, before.blocksInChunks + 3);
    for (const auto& file : files) EXPECT_EQ(file, megabyte);
    // blocks of one chunk do not overlap
    EXPECT_GE(files[1].bytes().data(), files[0].bytes().data() + megabyte.size());
    EXPECT_GE(files[2].bytes().data(), files[1].bytes().data() + megabyte.size());
  }
  EXPECT_EQ(memory::usage().blocksInChunks, before.blocksInChunks);

  // a small picture stays on the ordinary heap
  OptionalBytes picture(counting(100));
  EXPECT_EQ(memory::usage().blocksInChunks, before.blocksInChunks);
}

// Every length and alignment copies exactly its bytes, not one more.
TEST(ContentMemory, CopyIntoWritesExactlyTheRangeAsked) {
  const Bytes source = counting(70000);
  for (const std::size_t length : {0u, 1u, 63u, 4095u, 4096u, 4097u, 65536u + 3}) {
    for (std::size_t shift = 0; shift < 18; ++shift) {
      Bytes target(length + 40, 0xEE);
      memory::copyInto(target.data() + shift, source.data() + 1, length);
      for (std::size_t i = 0; i < target.size(); ++i) {
        const bool inside = i >= shift && i < shift + length;
        const std::uint8_t expected = inside ? source[i - shift + 1] : 0xEE;
        ASSERT_EQ(target[i], expected) << "length " << length << " shift " << shift << " at " << i;
      }
    }
  }
}

// A second scan of the same size finds its memory ready: no new mapping.
TEST(ContentMemory, EmptiedChunksServeTheNextScan) {
  const std::size_t block = 8 * 1024 * 1024;
  auto scan = [&](std::uint8_t mark) {
    std::vector<std::uint8_t*> blocks;
    for (int i = 0; i < 12; ++i) {
      auto* bytes = static_cast<std::uint8_t*>(memory::allocate(block));
      bytes[0] = mark;
      bytes[block - 1] = static_cast<std::uint8_t>(mark + i);
      blocks.push_back(bytes);
    }
    for (int i = 0; i < 12; ++i) {
      EXPECT_EQ(blocks[i][0], mark);
      EXPECT_EQ(blocks[i][block - 1], mark + i);
    }
    return blocks;
  };
  auto first = scan(1);
  const auto full = memory::usage();
  EXPECT_GE(full.chunks, 2u);  // 96 MiB of blocks fill more than one chunk
  for (auto* bytes : first) memory::release(bytes, block);
  const auto idle = memory::usage();
  EXPECT_EQ(idle.blocksInChunks, 0u);
  EXPECT_EQ(idle.chunks, full.chunks);
  EXPECT_EQ(idle.spareChunks, full.chunks);

  auto second = scan(2);
  EXPECT_EQ(memory::usage().chunks, full.chunks);
  EXPECT_EQ(memory::usage().spareChunks, 0u);
  for (auto* bytes : second) memory::release(bytes, block);
}

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_TEST_ASAN 1
#endif
#endif

// Blocks cut from one chunk lie side by side; the space between them and
// released blocks stay poisoned, so a write past a file's end is still
// caught.
TEST(ContentMemoryDeathTest, WritingPastABlockIsCaughtUnderAddressSanitizer) {
#ifdef ORVANE_TEST_ASAN
  const std::size_t size = memory::kChunkedBlockMinimum + 1;
  auto* bytes = static_cast<volatile std::uint8_t*>(memory::allocate(size));
  bytes[size - 1] = 1;
  EXPECT_DEATH(bytes[size] = 1, "use-after-poison");
  memory::release(const_cast<std::uint8_t*>(bytes), size);
  EXPECT_DEATH(bytes[0] = 1, "use-after-poison");
#else
  GTEST_SKIP() << "needs AddressSanitizer";
#endif
}

TEST(ContentMemory, AHugeFileHasAMappingOfItsOwn) {
  const auto before = memory::usage();
  const std::size_t size = memory::kOwnMappingMinimum + 123;
  auto* bytes = static_cast<std::uint8_t*>(memory::allocate(size));
  std::memset(bytes, 0xAB, size);
  const auto during = memory::usage();
  EXPECT_EQ(during.chunks, before.chunks + 1);
  EXPECT_GE(during.mappedBytes, before.mappedBytes + size);
  EXPECT_EQ(during.blocksInChunks, before.blocksInChunks);
  memory::release(bytes, size);
  // its mapping goes back at once
  EXPECT_EQ(memory::usage().chunks, before.chunks);
}

}  // namespace
}  // namespace orvane
