// The whole pass over an image: files laid at sector starts with noise
// between them must all come back with their exact start and length.
#include "engine/scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "carve.h"
#include "engine/formats/registry.h"
#include "engine/offset_follower.h"
#include "hostile_image.h"

namespace orvane::engine::testing {
namespace {

// An image file made of pieces, with the place of each sample in it.
struct Image {
  Bytes bytes;
  std::vector<FoundFile> files;

  void pad(std::size_t count, std::uint32_t seed) {
    const Bytes filler = noise(count, seed);
    bytes.insert(bytes.end(), filler.begin(), filler.end());
  }
  void toSector(std::uint32_t seed) { pad((512 - bytes.size() % 512) % 512, seed); }
  void add(const Sample& file) {
    toSector(static_cast<std::uint32_t>(bytes.size()));
    files.push_back({bytes.size(), file.bytes.size(), file.extension});
    bytes.insert(bytes.end(), file.bytes.begin(), file.bytes.end());
  }
};

// Every sample, with noise between them or back to back (where a PDF's
// search for later updates meets the next PDF's "%%EOF" within one read).
TEST(Scanner, FindsEveryFileWithItsExactPlaceAndLengthWhateverTheReadSize) {
  for (const bool backToBack : {false, true}) {
    Image image;
    image.pad(backToBack ? 0 : 4096, 11);
    std::uint32_t seed = 100;
    for (const std::string& kind : sampleKinds()) {
      image.add(sample(kind));
      if (!backToBack) image.pad(700 + 37 * seed % 3000, seed);
      ++seed;
    }
    image.toSector(5);
    for (const std::size_t readBytes : {512u, 4096u + 512u, 65536u, 1000000u, 4u << 20}) {
      EXPECT_EQ(scanImage(image.bytes, readBytes), image.files)
          << "reads of " << readBytes << (backToBack ? ", back to back" : "");
    }
  }
}

TEST(Scanner, RandomBytesGiveFewFinds) {
  std::mt19937 random(42);
  Bytes bytes(32u << 20);
  std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<std::byte>(random()); });
  // A header test that let random sectors through would find hundreds here
  // (65536 sectors).
  EXPECT_LE(scanImage(bytes, 4u << 20).size(), 3u);
}

// A file cut off by the end of the image is reported with what is there. A
// PNG signature and IHDR whose chunk walk breaks after 3 KiB of data is no
// file: the JPEG laid inside it must still be found.
TEST(Scanner, FileCutOffIsReportedAsItIsAndOneThatIsNotGivesBackItsSectors) {
  Image cut;
  cut.pad(1024, 3);
  cut.add(sample("jpg"));
  cut.bytes.resize(cut.bytes.size() - 100);
  cut.files[0].length -= 100;
  EXPECT_EQ(scanImage(cut.bytes), cut.files);

  Image broken;
  broken.pad(512, 9);
  const Bytes& png = sample("png").bytes;
  broken.bytes.insert(broken.bytes.end(), png.begin(), png.begin() + 33);
  putText(broken.bytes, std::string_view("\0\0\x0C\0IDAT", 8));
  broken.pad(1024, 10);
  broken.add(sample("jpg"));
  broken.pad(8192, 12);
  EXPECT_EQ(scanImage(broken.bytes), broken.files);
}

TEST(Scanner, AStopAskedBeforeTheFirstReadIsPrompt) {
  const ScanRun run = scanRun(Bytes(8u << 20), 1u << 20, true);
  EXPECT_EQ(run.outcome, ScanOutcome::stopped);
  EXPECT_TRUE(run.found.empty());
  EXPECT_TRUE(run.progress.empty() || run.progress.back().first == 0);
}

// Raw images built against the engine: structures that name the same bytes
// over and over must cost no more than the bytes they cover, and a card
// where every sector starts like a file must still scan to its end with
// every find inside it.

// Asks for `length` bytes at 512, then, after each range it is handed, for
// as many `step` bytes further on, until it has been handed `last`.
class Chain final : public OffsetFollower {
 public:
  Chain(std::uint32_t length, std::uint64_t step, int last)
      : length_(length), step_(step), last_(last) {
    request(512, length, 0);
  }
  std::string_view extension() const override { return "chain"; }
  int handed = 0;

 private:
  void onRange(std::uint32_t, std::uint64_t offset, ByteView bytes) override {
    ++handed;
    extendTo(offset + bytes.size());
    if (handed < last_) request(offset + step_, length_, 0);
  }
  std::uint32_t length_;
  std::uint64_t step_;
  int last_;
};

TEST(HostileChains, EachRangeIsHandedOnceAndOverlappingTablesFail) {
  const struct {
    const char* name;
    std::uint32_t length;
    std::uint64_t step;
    int last;
    int handed;
    Verdict::Kind kind;
    std::uint64_t found;
  } cases[] = {
      {"a sector naming itself", 512, 0, 1000, 1, Verdict::Kind::endsHere, 1024},
      {"a forward chain of 100 sectors", 512, 512, 100, 100, Verdict::Kind::endsHere, 512 * 101},
      // each range starts a byte after the last and covers 64 KiB: the
      // 19th brings what was asked for past 1 MiB more than twice the
      // furthest end
      {"tables all naming the start", 64 << 10, 1, 1000, 18, Verdict::Kind::notOne, 0},
  };
  const Bytes zeros(1 << 20);
  for (const auto& c : cases) {
    Chain chain(c.length, c.step, c.last);
    const Verdict verdict = chain.feed(ByteView(std::span<const std::byte>(zeros)));
    EXPECT_EQ(std::make_tuple(chain.handed, verdict.kind, verdict.length),
              std::make_tuple(c.handed, c.kind, c.found))
        << c.name;
  }
}

TEST(HostileImage, EveryFormatScansToTheEndWithFindsInsideTheImage) {
  for (const Format* format : allFormats()) {
    SCOPED_TRACE(format->extension);
    const Bytes image = hostileImage(2048, format);
    const ScanRun run = scanRun(image);
    EXPECT_EQ(run.outcome, ScanOutcome::completed);
    ASSERT_FALSE(run.progress.empty());
    EXPECT_TRUE(std::is_sorted(run.progress.begin(), run.progress.end()));
    EXPECT_EQ(run.progress.back(),
              std::make_pair(std::uint64_t{image.size()}, std::uint64_t{image.size()}));
    std::uint64_t covered = 0;
    for (const FoundFile& found : run.found) {
      EXPECT_GE(found.start, covered) << "finds overlap";
      EXPECT_LE(found.start + found.length, image.size());
      covered = found.start + found.length;
    }
  }
}

}  // namespace
}  // namespace orvane::engine::testing
