#include "blackberry/ipd_reader.h"

#include <memory>

#include "blackberry/byte_reader.h"
#include "blackberry/field_text.h"
#include "blackberry/ipd_format.h"
#include "blackberry/mapped_file.h"
#include "core/event_names.h"

namespace orvane {

ScanOutcome notABlackBerryBackup(const std::string& why) {
  return {ScanOutcome::Status::kNotABackup, "not a BlackBerry backup (" + why + ")"};
}

ScanOutcome IpdReader::scanBlackBerryBackUpThread(const std::filesystem::path& path) {
  std::string problem;
  const auto mapping = MappedFile::open(path, problem);
  if (!mapping) return {ScanOutcome::Status::kUnreadable, problem};
  return scanMapped(*mapping);
}

ScanOutcome IpdReader::scanMapped(MappedFile& file) { return read(file.bytes(), &file); }

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

bool IpdReader::readNameTable(std::span<const std::uint8_t> file, std::uint16_t databaseCount) {
  routes_.clear();
  for (std::uint16_t index = 0; index < databaseCount; ++index) {
    const auto nameLength = GetLitteEndianLengthwithHandle(file, bbOffSet, 2);
    if (!nameLength || *nameLength > file.size() - bbOffSet - 2) {
      damage_.text = "the database name table ends early at offset " + std::to_string(bbOffSet);
      return false;
    }
    bbOffSet += 2;
    // Names are NUL-terminated in most files; the length may or may not
    // count the NUL.
    auto entry = std::make_shared<PRBlackBerryDataBaseNode>();
    entry->databaseIndex = index;
    entry->databaseName = fieldText(file.subspan(bbOffSet, *nameLength));
    routes_.push_back(ipdDatabaseNamed(*entry->databaseName));
    lists_.blackberryDatabaseArray.push_back(std::move(entry));
    bbOffSet += *nameLength;
  }
  return true;
}

ScanOutcome IpdReader::read(std::span<const std::uint8_t> file, MappedFile* mapping) {
  damage_ = {};
  if (!ipd::hasHeader(file)) return notABlackBerryBackup("no IPD header");
  if (file.size() < ipd::kNameTableOffset) {
    return notABlackBerryBackup("the file ends inside the IPD header");
  }
  ByteReader countReader(file, ipd::kDatabaseCountOffset);
  const std::uint16_t databaseCount = *countReader.u16be();
  bbOffSet = ipd::kNameTableOffset;
  if (databaseCount == 0 || !readNameTable(file, databaseCount)) return {};

  walkRecords(file, bbOffSet, damage_, [&](std::uint16_t databaseIndex, auto fieldArea) {
    if (mapping != nullptr) mapping->releaseBehind(fieldArea.data() - ipd::kRecordHeaderSize);
    // Records are routed by their index, not by where they stand in the file.
    if (databaseIndex >= routes_.size() || !routes_[databaseIndex]) return;
    const BlackBerryDatabase database = *routes_[databaseIndex];
    decoders_.decode(database, fieldArea);
    nc_.postNotificationName(events::BlackBerryRawRecoveryProgress,
                             EventObject(std::int64_t{ipdProgressFor(database)}));
  });
  return {};
}

}  // namespace orvane
