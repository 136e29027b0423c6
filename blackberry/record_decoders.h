#pragma once

#include <cstdint>
#include <span>

#include "blackberry/blackberry_databases.h"
#include "core/notification_center.h"

namespace orvane {

// One decoder per known database: each turns one record's field area into
// one record object and posts it. The field area is the R − 7 bytes after
// the record header, already cut to what the file holds. Both the IPD
// reader and the Windows per-database reader use these same decoders.
class BlackBerryDecoders {
 public:
  explicit BlackBerryDecoders(NotificationCenter& nc) : nc_(nc) {}

  void ScanBlackBerryContactwith(std::span<const std::uint8_t> fieldArea);
  void ScanBlackBerryCallLogwith(std::span<const std::uint8_t> fieldArea);
  void ScanBlackBerrySMSMessagewith(std::span<const std::uint8_t> fieldArea);
  void ScanBlackBerryMMSMessagewith(std::span<const std::uint8_t> fieldArea);
  void ScanBlackBerryMemoswith(std::span<const std::uint8_t> fieldArea);
  void ScanBlackBerryCalenderwith(std::span<const std::uint8_t> fieldArea);
  // Posts only a stored file that has at least one piece of content.
  void ScanBlackBerryContentStorewith(std::span<const std::uint8_t> fieldArea);

  // The decoder of `database`.
  void decode(BlackBerryDatabase database, std::span<const std::uint8_t> fieldArea);

 private:
  NotificationCenter& nc_;
};

}  // namespace orvane
