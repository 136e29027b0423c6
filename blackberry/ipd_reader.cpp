#include "blackberry/ipd_reader.h"

#include <memory>

#include "blackberry/byte_reader.h"
#include "blackberry/field_text.h"
#include "blackberry/file_window.h"
#include "blackberry/ipd_format.h"
#include "core/event_names.h"

namespace orvane {

ScanOutcome notABlackBerryBackup(const std::string& why) {
  return {ScanOutcome::Status::kNotABackup, "not a BlackBerry backup (" + why + ")"};
}

ScanOutcome IpdReader::scanBlackBerryBackUpThread(const std::filesystem::path& path) {
  std::string problem;
  const auto file = FileWindow::open(path, problem, FileWindow::kDefaultWindowBytes, keepAlive);
  if (!file) return {ScanOutcome::Status::kUnreadable, problem};
  return read(*file);
}

ScanOutcome IpdReader::scanFile(FileWindow& file) { return read(file); }

ScanOutcome IpdReader::scanBytes(std::span<const std::uint8_t> bytes) {
  MemoryFile file(bytes);
  return read(file);
}

std::optional<std::string> IpdReader::GetDataBaseNameByDatabaseIndex(std::int32_t index) const {
  for (const auto& entry : lists_.blackberryDatabaseArray) {
    if (entry->databaseIndex == index) return entry->databaseName;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> IpdReader::GetLitteEndianLengthwithHandle(
    std::span<const std::uint8_t> file, std::uint64_t offset, int length) {
  if (offset > file.size()) return std::nullopt;
  ByteReader reader(file, static_cast<std::size_t>(offset));
  switch (length) {
    case 1:
      return reader.u8();
    case 2:
      return reader.u16le();
    case 4:
      return reader.u32le();
    default:
      return std::nullopt;
  }
}

template <class File>
bool IpdReader::readNameTable(File& file, std::uint16_t databaseCount) {
  routes_.clear();
  for (std::uint16_t index = 0; index < databaseCount; ++index) {
    const auto nameLength = GetLitteEndianLengthwithHandle(file.fetch(bbOffSet, 2), 0, 2);
    const auto name = nameLength && *nameLength <= file.size() - bbOffSet - 2
                          ? file.fetch(bbOffSet + 2, *nameLength)
                          : std::span<const std::uint8_t>();
    if (!nameLength || name.size() != *nameLength) {
      damage_.text = "the database name table ends early at offset " + std::to_string(bbOffSet);
      return false;
    }
    bbOffSet += 2;
    // Names are NUL-terminated in most files; the length may or may not
    // count the NUL.
    auto entry = std::make_shared<PRBlackBerryDataBaseNode>();
    entry->databaseIndex = index;
    entry->databaseName = fieldText(name);
    routes_.push_back(ipdDatabaseNamed(*entry->databaseName));
    lists_.blackberryDatabaseArray.push_back(std::move(entry));
    bbOffSet += *nameLength;
  }
  return true;
}

template <class File>
ScanOutcome IpdReader::read(File& file) {
  damage_ = {};
  const auto header = file.fetch(0, ipd::kNameTableOffset);
  if (!ipd::hasHeader(header)) return notABlackBerryBackup("no IPD header");
  if (header.size() < ipd::kNameTableOffset) {
    return notABlackBerryBackup("the file ends inside the IPD header");
  }
  ByteReader countReader(header, ipd::kDatabaseCountOffset);
  const std::uint16_t databaseCount = *countReader.u16be();
  bbOffSet = ipd::kNameTableOffset;
  if (databaseCount == 0 || !readNameTable(file, databaseCount)) return {};

  decoders_.useSource(file.contentSource());
  walkRecords(
      file, bbOffSet, damage_,
      [&](std::uint16_t databaseIndex, auto fieldArea, std::uint64_t fieldAreaOffset) {
        // Records are routed by their index, not by where they stand in the file.
        if (databaseIndex >= routes_.size() || !routes_[databaseIndex]) return;
        const BlackBerryDatabase database = *routes_[databaseIndex];
        decoders_.decode(database, fieldArea, fieldAreaOffset);
        nc_.postNotificationName(events::BlackBerryRawRecoveryProgress,
                                 EventObject(std::int64_t{readPercent(
                                     fieldAreaOffset + fieldArea.size(), file.size())}));
      },
      stopFlag);
  return {};
}

}  // namespace orvane
