// How fast the IPD reader scans, against simply reading the same file.
//
//   bench_ipd_scan [MEGABYTES [SMS_RECORDS]]      (default 200 and 1000000)
//
// Two generated backups: one made mostly of content-store pieces, one of
// many small SMS records. For each, in the same run and with the file in
// the page cache: a sequential read() in 1 MiB chunks, a bare walk over the
// record and field headers, and the full scan (read, decode, post, append
// to the results model). Each backup is measured in a child process of its
// own, and the scan reported is the first of that process, as a user meets
// it; a second scan is shown beside it. Memory is the resident size: its
// peak during the scan above what it was before, and where it is once the
// scan's records are released.
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    // The 46-byte metadata phones write: direction, then the sent time in
    // milliseconds since 1970 (little-endian at 13) and the coding scheme
    // (at 29, 0: seven-bit text).
    std::vector<std::uint8_t> metadata(46, 0);
    metadata[0] = static_cast<std::uint8_t>(i % 2);
    const std::uint64_t sentMs = 1700000000000ULL + i * 61000ULL;
    for (int b = 0; b < 8; ++b) metadata[13 + b] = static_cast<std::uint8_t>(sentMs >> (8 * b));
    return IpdWriter::recordBytes(
        0, {Field::raw(1, metadata), Field::skip4(2, "+1555" + std::to_string(1000000 + i)),
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
  orvane::walkRecords(*file, offset, damage, [&](std::uint16_t index, auto fieldArea, auto) {
    sum += index;
    orvane::walkFields(fieldArea, {}, [&](std::uint8_t type, auto) { sum += type; });
  });
  return sum;
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in MiB.
double statusMiB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0)
      return std::strtod(line.c_str() + key.size() + 1, nullptr) / 1024.0;
  }
  return 0;
}

// Starts a new peak of the resident size from what is resident now.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

long pageFaultsSoFar() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt + usage.ru_majflt;
}

struct ScanResult {
  double seconds = 0;
  std::size_t records = 0;
  long pageFaults = 0;
  double residentBefore = 0;    // MiB
  double peak = 0;              // MiB, during the scan with its records held
  double residentReleased = 0;  // MiB, once the records are gone
};

// One scan as the app makes it: records posted into the results model and
// kept there, then released.
ScanResult fullScan(const std::filesystem::path& path) {
  ScanResult result{};
  ::malloc_trim(0);
  result.residentBefore = statusMiB("VmRSS");
  resetPeak();
  {
    orvane::DirectDispatcher dispatcher;
    orvane::CorvelAppDelegate app(dispatcher);
    orvane::PRResultViewController results(app);
    orvane::PerScanLists lists;
    orvane::IpdReader reader(app.nc, lists);
    const long faultsBefore = pageFaultsSoFar();
    result.seconds = secondsOf([&] { reader.scanBlackBerryBackUpThread(path); });
    result.pageFaults = pageFaultsSoFar() - faultsBefore;
    result.peak = statusMiB("VmHWM");
    result.records = results.allRecordsInPostingOrder().size();
  }
  ::malloc_trim(0);
  result.residentReleased = statusMiB("VmRSS");
  return result;
}

void measure(const char* title, const std::filesystem::path& path, bool contentStore) {
  const double size = static_cast<double>(std::filesystem::file_size(path));
  volatile std::uint64_t sink = sequentialRead(path);  // into the page cache
  const double read = bestOf(3, [&] { sink = sink + sequentialRead(path); });
  const double walk = bestOf(3, [&] { sink = sink + bareWalk(path); });
  const ScanResult first = fullScan(path);
  const ScanResult second = fullScan(path);

  std::printf("%s: %.1f MiB, %zu records posted\n", title, size / kMiB, first.records);
  std::printf("  sequential read (1 MiB read()):  %8.3f s  %7.0f MiB/s\n", read,
              size / kMiB / read);
  std::printf("  bare record and field walk:      %8.3f s\n", walk);
  std::printf("  first scan into the results model: %6.3f s  %7.0f MiB/s  (%ld page faults)\n",
              first.seconds, size / kMiB / first.seconds, first.pageFaults);
  std::printf("    second scan beside it:           %6.3f s  %7.0f MiB/s  (%ld page faults)\n",
              second.seconds, size / kMiB / second.seconds, second.pageFaults);
  const double peakAbove = first.peak - first.residentBefore;
  std::printf("  resident: %.0f MiB before, peak %.0f MiB (+%.0f MiB), %.0f MiB after release\n",
              first.residentBefore, first.peak, peakAbove, first.residentReleased);
  if (contentStore) {
    const double ratio = read / first.seconds;
    std::printf("  first scan at %.0f%% of read speed (floor 40%%): %s\n", ratio * 100,
                ratio >= 0.40 ? "ok" : "BELOW FLOOR");
    std::printf("  peak %.0f MiB above the start (limit 64 MiB): %s\n", peakAbove,
                peakAbove <= 64 ? "ok" : "ABOVE LIMIT");
  } else {
    const double ratio = first.seconds / read;
    const double limit = 2 * size / kMiB + 64;
    std::printf("  first scan takes %.1fx the read (ceiling 20x; %.1fx the bare walk): %s\n", ratio,
                first.seconds / walk, ratio <= 20 ? "ok" : "ABOVE CEILING");
    std::printf("  peak %.0f MiB (limit 2x size + 64 MiB = %.0f MiB): %s\n", first.peak, limit,
                first.peak <= limit ? "ok" : "ABOVE LIMIT");
  }
  const double kept = first.residentReleased - first.residentBefore;
  std::printf("  after release %+.0f MiB against the start (limit 32 MiB): %s\n", kept,
              kept <= 32 ? "ok" : "ABOVE LIMIT");
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
