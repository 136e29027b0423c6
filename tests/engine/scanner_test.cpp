// The whole pass over an image: files laid at sector starts with noise
// between them must all come back with their exact start and length.
#include "engine/scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "carve.h"
#include "engine/formats/registry.h"

namespace orvane::engine::testing {
namespace {

using Laid = FoundFile;

// An image file made of pieces, with the place of each sample in it.
struct Image {
  Bytes bytes;
  std::vector<Laid> files;

  void pad(std::size_t count, std::uint32_t seed) {
    const Bytes filler = noise(count, seed);
    bytes.insert(bytes.end(), filler.begin(), filler.end());
  }
  void toSector(std::uint32_t seed) {
    const std::size_t rest = (512 - bytes.size() % 512) % 512;
    if (rest > 0) {
      // Noise that ends a sector needs no header guard, but keep it random.
      pad(rest + 512, seed);
      bytes.resize(bytes.size() - 512);
    }
  }
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

TEST(Scanner, FileCutOffByTheEndIsReportedWithWhatIsThere) {
  Image image;
  image.pad(1024, 3);
  const Sample& jpeg = sample("jpg");
  image.toSector(4);
  const std::uint64_t start = image.bytes.size();
  image.bytes.insert(image.bytes.end(), jpeg.bytes.begin(),
                     jpeg.bytes.begin() + static_cast<std::ptrdiff_t>(jpeg.bytes.size() - 100));
  const auto found = scanImage(image.bytes);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], (Laid{start, jpeg.bytes.size() - 100, "jpg"}));
}

TEST(Scanner, FileThatIsNotOneGivesBackTheSectorsItHeld) {
  // A PNG signature and IHDR whose chunk walk breaks after 3 KiB of data:
  // the JPEG laid inside it must still be found.
  Image image;
  image.pad(512, 9);
  const Bytes& png = sample("png").bytes;
  Bytes broken(png.begin(), png.begin() + 33);  // signature and IHDR
  const unsigned char chunk[] = {0x00, 0x00, 0x0C, 0x00, 'I', 'D', 'A', 'T'};
  for (unsigned char c : chunk) broken.push_back(static_cast<std::byte>(c));
  image.bytes.insert(image.bytes.end(), broken.begin(), broken.end());
  image.pad(1024, 10);
  image.add(sample("jpg"));
  image.pad(8192, 12);
  const auto found = scanImage(image.bytes);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], image.files[0]);
}

// An all-zero image holds nothing; progress climbs to the total; a stop
// asked before the first read ends the scan with nothing done.
TEST(Scanner, ProgressEndsAtTheTotalAndAStopIsPrompt) {
  const Bytes zeros(8u << 20);
  for (const bool stopAtOnce : {false, true}) {
    const ScanRun run = scanRun(zeros, 1u << 20, stopAtOnce);
    EXPECT_TRUE(run.found.empty());
    EXPECT_TRUE(std::is_sorted(run.progress.begin(), run.progress.end()));
    EXPECT_EQ(run.outcome, stopAtOnce ? ScanOutcome::stopped : ScanOutcome::completed);
    const auto last =
        run.progress.empty() ? std::pair<std::uint64_t, std::uint64_t>{} : run.progress.back();
    EXPECT_EQ(last.first, stopAtOnce ? 0u : zeros.size());
    EXPECT_EQ(last.second, stopAtOnce ? 0u : zeros.size());
  }
}

}  // namespace
}  // namespace orvane::engine::testing
