// Arbitrary bytes through every format's header test and end finder, fed in
// blocks whose sizes come from the input itself.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/formats/registry.h"
#include "engine/jpeg_join.h"

using namespace orvane::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first byte picks the block sizes; the rest is the "disk".
  const std::uint8_t pattern = data[0];
  const auto* bytes = reinterpret_cast<const std::byte*>(data + 1);
  const std::size_t length = size - 1;
  for (const Format* format : allFormats()) {
    // Signatures are not checked here: every header test must cope with
    // anything, and every finder it hands out must too.
    auto finder = format->test(ByteView(std::span<const std::byte>(bytes, length)));
    if (!finder) continue;
    std::size_t offset = 0;
    std::size_t turn = 0;
    Verdict verdict;
    while (offset < length && verdict.kind == Verdict::Kind::goOn) {
      const std::size_t block = 1 + ((pattern >> (turn % 8)) & 1) * 37 + (turn % 5) * 61;
      ++turn;
      const std::size_t count = block < length - offset ? block : length - offset;
      verdict = finder->feed(ByteView(std::span<const std::byte>(bytes + offset, count)));
      offset += count;
      (void)finder->tentativeEndBefore(offset);
    }
    if (verdict.kind == Verdict::Kind::goOn) verdict = finder->finish(offset);
    (void)finder->extension();
  }
  // the whole-picture check a found JPEG may get
  (void)checkJpeg(std::span<const std::byte>(bytes, length));
  return 0;
}
