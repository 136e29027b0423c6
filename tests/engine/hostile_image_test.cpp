// Raw images built against the engine: structures that name the same bytes
// over and over must cost no more than the bytes they cover, and a card
// where every sector starts like a file must still scan to its end with
// every find inside it.
#include "hostile_image.h"

#include <gtest/gtest.h>

#include <functional>

#include "carve.h"
#include "engine/formats/registry.h"
#include "engine/offset_follower.h"

namespace orvane::engine::testing {
namespace {

// Asks for the first range, then for whatever `next` answers after each
// range it is handed (nothing ends the chain); counts the ranges handed.
class Chain final : public OffsetFollower {
 public:
  using Next =
      std::function<std::optional<std::pair<std::uint64_t, std::uint32_t>>(std::uint64_t, int)>;
  Chain(std::uint64_t offset, std::uint32_t length, Next next) : next_(std::move(next)) {
    request(offset, length, 0);
  }
  std::string_view extension() const override { return "chain"; }
  int handed = 0;

 private:
  void onRange(std::uint32_t, std::uint64_t offset, ByteView bytes) override {
    ++handed;
    extendTo(offset + bytes.size());
    if (const auto range = next_(offset, handed)) request(range->first, range->second, 0);
  }
  Next next_;
};

TEST(HostileChains, EachRangeIsHandedOnceAndOverlappingTablesFail) {
  using Range = std::optional<std::pair<std::uint64_t, std::uint32_t>>;
  const struct {
    const char* name;
    std::uint32_t firstLength;
    Chain::Next next;
    int handed;
    Verdict::Kind kind;
    std::uint64_t length;
  } cases[] = {
      {"sector naming itself", 512,
       [](std::uint64_t at, int) -> Range {
         return {{at, 512}};
       },
       1, Verdict::Kind::endsHere, 1024},
      {"two sectors naming each other", 512,
       [](std::uint64_t at, int) -> Range {
         return {{at == 512 ? 1024 : 512, 512}};
       },
       2, Verdict::Kind::endsHere, 1536},
      {"a forward chain of 100 sectors", 512,
       [](std::uint64_t at, int handed) -> Range {
         return handed < 100 ? Range{{at + 512, 512}} : std::nullopt;
       },
       100, Verdict::Kind::endsHere, 512 * 101},
      // each range starts a byte after the last and covers 64 KiB: the
      // 19th brings what was asked for past 1 MiB more than twice the
      // furthest end
      {"tables all naming the start", 64 << 10,
       [](std::uint64_t at, int) -> Range {
         return {{at + 1, 64 << 10}};
       },
       18, Verdict::Kind::notOne, 0},
  };
  const Bytes zeros(1 << 20);
  for (const auto& c : cases) {
    Chain chain(512, c.firstLength, c.next);
    const Verdict verdict = chain.feed(ByteView(std::span<const std::byte>(zeros)));
    EXPECT_EQ(chain.handed, c.handed) << c.name;
    EXPECT_EQ(verdict.kind, c.kind) << c.name;
    EXPECT_EQ(verdict.length, c.length) << c.name;
  }
}

TEST(HostileImage, EveryFormatScansToTheEndWithFindsInsideTheImage) {
  for (const Format* format : allFormats()) {
    SCOPED_TRACE(format->extension);
    const Bytes image = hostileImage(2048, format);
    const ScanRun run = scanRun(image);
    EXPECT_EQ(run.outcome, ScanOutcome::completed);
    ASSERT_FALSE(run.progress.empty());
    EXPECT_EQ(run.progress.back().first, image.size());
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
