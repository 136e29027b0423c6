// Scan speed on hostile card images against random bytes: every sector
// starts like a file (every format, with fillers that chain back into
// themselves), so every sector is a candidate whose end finder must give up
// or settle quickly. Each image is scanned once in a fresh Scanner from a
// file just written (in the page cache: this measures the engine, not the
// card). The baseline is the faster of two scans of random bytes, one
// before and one after the hostile images.
// Usage: engine_hostile_bench [MiB, default 64] [only this extension]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "engine/formats/registry.h"
#include "engine/scanner.h"
#include "hostile_image.h"

using namespace orvane::engine;
using namespace orvane::engine::testing;

namespace {

struct Result {
  double mibPerSecond;
  std::size_t found;
};

Result scanImage(const Bytes& image) {
  const auto path = scratchFolder() / "image";
  writeFile(path, image);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) std::exit(1);
  std::size_t found = 0;
  std::atomic<bool> stop{false};
  const Scanner scanner(allFormats());
  const auto start = std::chrono::steady_clock::now();
  scanner.scan(
      fd, 0, image.size(), [&](const FoundFile&) { ++found; }, [](std::uint64_t, std::uint64_t) {},
      stop);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ::close(fd);
  return {static_cast<double>(image.size()) / (1 << 20) / seconds, found};
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
  const std::size_t bytes = mib << 20;
  const std::string only = argc > 2 ? argv[2] : "";
  const Bytes randomImage = noise(bytes, 11);
  const Result random = scanImage(randomImage);
  std::vector<std::pair<std::string, Result>> results;
  const auto measure = [&](const std::string& name, const Bytes& image) {
    results.emplace_back(name, scanImage(image));
  };
  if (only.empty()) measure("every format, every sector", hostileImage(bytes / 512));
  for (const Format* format : allFormats()) {
    if (!only.empty() && format->extension != only) continue;
    measure(std::string(format->extension) + " alone", hostileImage(bytes / 512, format));
  }
  const double baseline = std::max(random.mibPerSecond, scanImage(randomImage).mibPerSecond);
  std::printf("%-28s %9.1f MiB/s\n", "random bytes", baseline);
  int slow = 0;
  for (const auto& [name, result] : results) {
    const double share = result.mibPerSecond / baseline;
    std::printf("%-28s %9.1f MiB/s  %5.2f of random  %7zu found%s\n", name.c_str(),
                result.mibPerSecond, share, result.found, share < 0.1 ? "  SLOWER THAN 1/10" : "");
    slow += share < 0.1 ? 1 : 0;
  }
  return slow == 0 ? 0 : 1;
}
