// How fast the IPD reader scans, against simply reading the same file.
//
//   bench_ipd_scan [MEGABYTES [SMS_RECORDS]]      (default 200 and 1000000)
//
// Two generated backups: one made mostly of content-store pieces, one of
// many small SMS records. For each, in the same run and with the file in
// the page cache: a sequential read() in 1 MiB chunks, a bare walk over the
// record and field headers, and the full scan (read, decode, post, append
// to the results model). Each backup is measured in a child process of its
// own so that its peak memory is its own.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "blackberry/field_walk.h"
#include "blackberry/file_window.h"
#include "blackberry/ipd_reader.h"
#include "blackberry/record_walk.h"
#include "core/app_delegate.h"
#include "core/main_thread_dispatcher.h"
#include "core/temp_folder.h"
#include "fixtures/ipd_writer.h"
#include "results/result_view_controller.h"

namespace {

using orvane::fixtures::Bytes;
using orvane::fixtures::Field;
using orvane::fixtures::IpdWriter;

constexpr double kMiB = 1024.0 * 1024.0;

double secondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double bestOf(int runs, const std::function<void()>& work) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, secondsOf(work));
  return best;
}

// Writes the header, then each record as `makeRecord` gives it, without
// holding the file in memory.
void writeBackup(const std::filesystem::path& path, const IpdWriter& table, std::size_t records,
                 const std::function<Bytes(std::size_t)>& makeRecord) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path.string());
  const Bytes header = table.headerAndNameTable();
  std::fwrite(header.data(), 1, header.size(), file);
  for (std::size_t i = 0; i < records; ++i) {
    const Bytes record = makeRecord(i);
    std::fwrite(record.data(), 1, record.size(), file);
  }
  std::fclose(file);
}

// Files of 1 MiB in 16 KiB pieces, with an address book and memos around them.
std::size_t writeContentBackup(const std::filesystem::path& path, std::size_t megabytes) {
  const IpdWriter table =
      IpdWriter().database("Address Book - All").database("Content Store").database("Memos");
  Bytes piece(16 * 1024);
  for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<std::uint8_t>(i * 131 + 7);
  const std::size_t files = megabytes;
  writeBackup(path, table, files + 20, [&](std::size_t i) {
    if (i < 10) return IpdWriter::recordBytes(0, {Field(32, "Name " + std::to_string(i))});
    if (i >= files + 10) return IpdWriter::recordBytes(2, {Field(1, "Memo"), Field(2, "text")});
    std::vector<Field> fields{
        Field(1, "/store/home/user/videos/clip" + std::to_string(i) + ".mp4")};
    for (int p = 0; p < 64; ++p) fields.push_back(Field::raw(7, piece));
    return IpdWriter::recordBytes(1, fields);
  });
  return files;
}

void writeSmsBackup(const std::filesystem::path& path, std::size_t count) {
  const IpdWriter table = IpdWriter().database("SMS Messages");
  writeBackup(path, table, count, [](std::size_t i) {
    const auto direction = static_cast<std::uint8_t>(i % 2);
    return IpdWriter::recordBytes(0,
                                  {Field::raw(1, {direction, 0, 0, 0}),
                                   Field::skip4(2, "+1555" + std::to_string(1000000 + i)),
                                   Field(4, "Message " + std::to_string(i) + ": see you at 7?")});
  });
}

std::uint64_t sequentialRead(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  std::vector<char> buffer(1 << 20);
  std::uint64_t sum = 0;
  ssize_t got = 0;
  while ((got = ::read(fd, buffer.data(), buffer.size())) > 0)
    sum += static_cast<unsigned char>(buffer[0]);
  ::close(fd);
  return sum;
}

// The record and field headers alone, read through the same window as the
// reader reads them: the least any scan has to do.
std::uint64_t bareWalk(const std::filesystem::path& path) {
  std::string problem;
  const auto file = orvane::FileWindow::open(path, problem);
  if (!file) throw std::runtime_error(problem);
  const auto header = file->fetch(0, orvane::ipd::kNameTableOffset);
  const auto databases = static_cast<std::uint16_t>(header[39] << 8 | header[40]);
  std::uint64_t offset = orvane::ipd::kNameTableOffset;
  for (int i = 0; i < databases; ++i) {
    const auto length = file->fetch(offset, 2);
    offset += 2u + static_cast<std::uint64_t>(length[0] | length[1] << 8);
  }
  std::uint64_t sum = 0;
  orvane::WalkDamage damage;
  orvane::walkRecords(*file, offset, damage, [&](std::uint16_t index, auto fieldArea) {
    sum += index;
    orvane::walkFields(fieldArea, {}, [&](std::uint8_t type, auto) { sum += type; });
  });
  return sum;
}

struct ScanResult {
  double seconds;
  std::size_t records;
  long pageFaults;
};

long pageFaultsSoFar() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt + usage.ru_majflt;
}

ScanResult fullScan(const std::filesystem::path& path) {
  orvane::DirectDispatcher dispatcher;
  orvane::CorvelAppDelegate app(dispatcher);
  orvane::PRResultViewController results(app);
  orvane::PerScanLists lists;
  orvane::IpdReader reader(app.nc, lists);
  ScanResult result{};
  const long faultsBefore = pageFaultsSoFar();
  result.seconds = secondsOf([&] { reader.scanBlackBerryBackUpThread(path); });
  result.pageFaults = pageFaultsSoFar() - faultsBefore;
  result.records = results.allRecordsInPostingOrder().size();
  return result;
}

// The same scan with the records dropped as soon as they are posted: the
// reader's and decoders' own cost, and their own memory.
double scanAndDrop(const std::filesystem::path& path) {
  orvane::NotificationCenter nc;
  orvane::PerScanLists lists;
  orvane::IpdReader reader(nc, lists);
  return secondsOf([&] { reader.scanBlackBerryBackUpThread(path); });
}

double peakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void measure(const char* title, const std::filesystem::path& path, bool speedFloor) {
  const double size = static_cast<double>(std::filesystem::file_size(path));
  volatile std::uint64_t sink = sequentialRead(path);  // into the page cache
  const double read = bestOf(3, [&] { sink = sink + sequentialRead(path); });
  const double walk = bestOf(3, [&] { sink = sink + bareWalk(path); });
  const double dropped = bestOf(2, [&] { scanAndDrop(path); });
  const double readerPeak = peakRssMiB();
  ScanResult scan = fullScan(path);
  const ScanResult second = fullScan(path);
  const double firstSeconds = scan.seconds;
  scan.seconds = std::min(scan.seconds, second.seconds);
  const double peak = peakRssMiB();
  const double limit = 2 * size / kMiB + 64;

  std::printf("%s: %.1f MiB, %zu records posted\n", title, size / kMiB, scan.records);
  std::printf("  sequential read (1 MiB read()):  %8.3f s  %7.0f MiB/s\n", read,
              size / kMiB / read);
  std::printf("  bare record and field walk:      %8.3f s\n", walk);
  std::printf("  scan, records dropped on posting: %7.3f s  (peak RSS so far %.0f MiB)\n", dropped,
              readerPeak);
  std::printf("  full scan into the results model: %7.3f s  %7.0f MiB/s\n", scan.seconds,
              size / kMiB / scan.seconds);
  // The first run takes every page the records need fresh from the system.
  // The second finds the stored files' memory the first gave back still in
  // place, as a second scan in the app does; small records get what the
  // allocator kept. Under a hypervisor a fresh page can cost far more than
  // its fault count says (the host backs it on first touch), so the first
  // run varies from one process to the next.
  std::printf("    (first run %.3f s with %ld page faults, second %.3f s with %ld)\n", firstSeconds,
              scan.pageFaults, second.seconds, second.pageFaults);
  if (speedFloor) {
    const double ratio = read / scan.seconds;
    std::printf("  scan speed %.0f%% of read speed (floor 40%%): %s\n", ratio * 100,
                ratio >= 0.40 ? "ok" : "BELOW FLOOR");
  } else {
    const double ratio = scan.seconds / walk;
    std::printf("  scan takes %.1fx the bare walk (ceiling 10x): %s\n", ratio,
                ratio <= 10 ? "ok" : "ABOVE CEILING");
  }
  std::printf("  peak RSS %.0f MiB (limit 2x size + 64 MiB = %.0f MiB): %s\n", peak, limit,
              peak <= limit ? "ok" : "ABOVE LIMIT");
  std::fflush(stdout);
}

// Runs `work` in a child process, so that its peak memory is its own.
bool inChild(const std::function<void()>& work) {
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    try {
      work();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "bench_ipd_scan: %s\n", error.what());
      std::_Exit(1);
    }
    std::fflush(stdout);
    std::_Exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
  const std::size_t smsRecords = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000000;
  if (megabytes == 0 || smsRecords == 0) {
    std::fprintf(stderr, "usage: bench_ipd_scan [MEGABYTES [SMS_RECORDS]]\n");
    return 1;
  }
  const orvane::TempFolder folder("orvane-bench-");
  const auto contentPath = folder.path() / "content.ipd";
  const auto smsPath = folder.path() / "sms.ipd";
  bool ok = inChild([&] {
    writeContentBackup(contentPath, megabytes);
    writeSmsBackup(smsPath, smsRecords);
  });
  ok = ok && inChild([&] { measure("content-store backup", contentPath, true); });
  ok = ok && inChild([&] { measure("SMS backup", smsPath, false); });
  return ok ? 0 : 1;
}
