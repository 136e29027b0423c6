// ".bbb" archives built to fill the disk: entries naming one stream many
// times, entries yielding more than they declare, declared sizes beyond
// the free space. A database of zeros, packed a thousandfold, is no bomb.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "blackberry/bbb_archive.h"
#include "core/temp_folder.h"
#include "fixtures/bbb_writer.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The central-directory entries of an archive, by their offsets in it.
std::vector<std::size_t> directoryEntries(const Bytes& zip) {
  std::vector<std::size_t> found;
  for (std::size_t at = 0; at + 46 <= zip.size(); ++at) {
    if (zip[at] == 0x50 && zip[at + 1] == 0x4B && zip[at + 2] == 1 && zip[at + 3] == 2)
      found.push_back(at);
  }
  return found;
}

void putU32(Bytes& zip, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes databases(std::size_t count, const Bytes& first, const Bytes& others) {
  fixtures::BbbWriter writer;
  for (std::size_t i = 1; i <= count; ++i)
    writer.entry("Databases/" + std::to_string(i) + ".dat", i == 1 ? first : others);
  return writer.bytes();
}

// Every entry after the first names the first one's stream.
Bytes oneStreamNamedByAll() {
  Bytes zip = databases(3, Bytes(100000, 0), {'x'});
  const auto entries = directoryEntries(zip);
  for (std::size_t i = 1; i < entries.size(); ++i) {
    std::memcpy(&zip[entries[i] + 10], &zip[entries[0] + 10], 18);  // method to sizes
    std::memcpy(&zip[entries[i] + 42], &zip[entries[0] + 42], 4);   // local header offset
  }
  return zip;
}

Bytes declaring(Bytes zip, std::uint32_t declaredBytes) {
  for (std::size_t at : directoryEntries(zip)) putU32(zip, at + 24, declaredBytes);
  return zip;
}

TEST(HostileArchive, UnpackingIsBoundedByWhatTheArchiveDeclares) {
  constexpr auto kNoCap = std::numeric_limits<std::uint64_t>::max();
  const auto scanFolder = std::make_shared<const TempFolder>();
  const Bytes manyHuge = declaring(databases(1000, {'x'}, {'x'}), 0xFFFFFFFE);
  const struct {
    const char* name;
    Bytes zip;
    std::uint64_t cap;
    std::string problem;  // its start; empty when the archive is unpacked
    std::string note;
    std::uintmax_t unpackedBytes;
  } cases[] = {
      {"one stream named by every entry", oneStreamNamedByAll(), kNoCap,
       "refused: the archive entries \"Databases/1.dat\" and \"Databases/2.dat\" share their "
       "bytes",
       "", 0},
      {"declared beyond the cap", manyHuge, 64ull << 30,
       "refused: the archive's databases declare 4294967294000 bytes, more than the "
       "68719476736 unpacked at most",
       "", 0},
      {"declared beyond the free space", manyHuge, kNoCap,
       "not enough free space in " + scanFolder->path().string() +
           " to unpack the archive: 4294967294000 bytes needed, ",
       "", 0},
      {"yields more than it declares", declaring(databases(1, Bytes(5000, 'A'), {}), 1000), kNoCap,
       "",
       "archive entry \"Databases/1.dat\" yields more bytes than the 1000 it declares; cut there",
       1000},
      {"zeros packed a thousandfold", databases(1, Bytes(8u << 20, 0), {}), 64ull << 30, "", "",
       8u << 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BbbArchive archive(scanFolder);
    archive.maxUnpackedBytes = c.cap;
    bool perDatabase = false;
    std::string problem;
    const auto target = archive.checkTheBackUpFile(c.zip, perDatabase, problem);
    EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem);
    EXPECT_EQ(target.has_value(), c.problem.empty());
    EXPECT_EQ(archive.notes(),
              c.note.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.note});
    if (target) {
      EXPECT_EQ(std::filesystem::file_size(*target / "1.dat"), c.unpackedBytes);
    }
  }
}

}  // namespace
}  // namespace orvane
