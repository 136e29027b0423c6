#include "engine/jpeg_join.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include "sample_files.h"

namespace orvane::engine::testing {
namespace {

// A whole picture that fills its last sector exactly, with another picture
// right after it, is not a first piece: it is not joined to that picture,
// which would decode cleanly behind it.
TEST(JpegJoin, AWholePictureEndingOnASectorBeforeAnotherFileStaysAsItIs) {
  Bytes photo = sample("jpg").bytes;
  // a comment segment after the start marker pads it to whole sectors
  const std::size_t padding = (512 - (photo.size() + 4) % 512) % 512;
  Bytes comment{std::byte{0xFF}, std::byte{0xFE}, std::byte((padding + 2) >> 8),
                std::byte((padding + 2) & 0xFF)};
  comment.resize(4 + padding, std::byte{'x'});
  photo.insert(photo.begin() + 2, comment.begin(), comment.end());
  ASSERT_EQ(photo.size() % 512, 0u);
  const Bytes& next = sample("jpg").bytes;
  const Bytes disk = join({photo, next, noise(4096, 5)});
  const int fd = ::memfd_create("disk", 0);
  ASSERT_EQ(::write(fd, disk.data(), disk.size()), static_cast<ssize_t>(disk.size()));
  const FileAt fileAt = [&](std::uint64_t offset) -> std::optional<std::uint64_t> {
    if (offset == photo.size()) return next.size();
    return std::nullopt;
  };
  EXPECT_FALSE(joinJpegFragments(fd, 0, photo.size(), disk.size(), JoinLimits{}, fileAt));
  ::close(fd);
}

}  // namespace
}  // namespace orvane::engine::testing
