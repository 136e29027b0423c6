// Scan speed on hostile card images against random bytes: every sector
// starts like a file (every format, with fillers that chain back into
// themselves), so every sector is a candidate whose end finder must give up
// or settle quickly. Each image is scanned once in a fresh Scanner from a
// file just written (in the page cache: this measures the engine, not the
// card). Usage: engine_hostile_bench [MiB, default 64]
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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
  const Result random = scanImage(noise(bytes, 11));
  std::printf("%-28s %9.1f MiB/s\n", "random bytes", random.mibPerSecond);
  int slow = 0;
  const auto line = [&](const std::string& name, const Bytes& image) {
    const Result result = scanImage(image);
    const double share = result.mibPerSecond / random.mibPerSecond;
    std::printf("%-28s %9.1f MiB/s  %5.2f of random  %7zu found%s\n", name.c_str(),
                result.mibPerSecond, share, result.found, share < 0.1 ? "  SLOWER THAN 1/10" : "");
    slow += share < 0.1 ? 1 : 0;
  };
  line("every format, every sector", hostileImage(bytes / 512));
  // each format alone, on a smaller image
  for (const Format* format : allFormats()) {
    line(std::string(format->extension) + " (" + std::to_string(mib / 8) + " MiB)",
         hostileImage(bytes / 8 / 512, format));
  }
  return slow == 0 ? 0 : 1;
}
