#include "carve.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "engine/formats/registry.h"
#include "engine/scanner.h"

namespace orvane::engine {
void PrintTo(const FoundFile& file, std::ostream* out) {
  *out << file.extension << "@" << file.start << "+" << file.length;
}
}  // namespace orvane::engine

namespace orvane::engine::testing {

Carved carve(const Bytes& data, std::span<const std::size_t> blockSizes) {
  static const Scanner scanner(allFormats());
  Carved carved;
  auto finder = scanner.testSector(ByteView(std::span<const std::byte>(data)));
  if (!finder) return carved;
  carved.headerFound = true;
  std::size_t offset = 0;
  std::size_t turn = 0;
  Verdict verdict;
  while (offset < data.size() && verdict.kind == Verdict::Kind::goOn) {
    const std::size_t size = std::min(blockSizes[turn++ % blockSizes.size()], data.size() - offset);
    verdict = finder->feed(ByteView(std::span<const std::byte>(data.data() + offset, size)));
    offset += size;
  }
  if (verdict.kind == Verdict::Kind::goOn) verdict = finder->finish(offset);
  carved.kind = verdict.kind;
  carved.length = verdict.length;
  carved.extension = std::string(finder->extension());
  return carved;
}

Carved carveWhole(const Bytes& data) {
  const std::size_t whole[] = {data.size() == 0 ? 1 : data.size()};
  return carve(data, whole);
}

ScanRun scanRun(const Bytes& image, std::size_t readBytes, bool stopAtOnce) {
  const auto path = scratchFolder() / "scanned.img";
  writeFile(path, image);
  Scanner scanner(allFormats());
  scanner.setReadBytes(readBytes);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0);
  ScanRun run;
  std::atomic<bool> stop{stopAtOnce};
  run.outcome = scanner.scan(
      fd, 0, image.size(), [&](const FoundFile& file) { run.found.push_back(file); },
      [&](std::uint64_t done, std::uint64_t total) { run.progress.emplace_back(done, total); },
      stop);
  ::close(fd);
  return run;
}

std::vector<FoundFile> scanImage(const Bytes& image, std::size_t readBytes) {
  ScanRun run = scanRun(image, readBytes);
  EXPECT_EQ(run.outcome, ScanOutcome::completed);
  return std::move(run.found);
}

}  // namespace orvane::engine::testing
