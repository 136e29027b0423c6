#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>

#include "blackberry/blackberry_databases.h"
#include "core/content_ref.h"
#include "core/notification_center.h"

namespace orvane {

// One decoder per known database: each turns one record's field area into
// one record object and posts it. The field area is the R − 7 bytes after
// the record header, already cut to what the file holds, and
// `fieldAreaOffset` is where it starts in the file: stored files,
// attachments and pictures are not copied but refer to their pieces there.
// Both the IPD reader and the Windows per-database reader use these same
// decoders.
class BlackBerryDecoders {
 public:
  using Area = std::span<const std::uint8_t>;

  explicit BlackBerryDecoders(NotificationCenter& nc) : nc_(nc) {}

  // The file the field areas come from; records keep it for their content.
  void useSource(std::shared_ptr<const ContentSource> source) { source_ = std::move(source); }
  // The 8-bit character set of message texts that are not UTF-8 (iconv's
  // name; empty: Windows-1252).
  void useTextCharset(std::string charset) { textCharset_ = std::move(charset); }

  void ScanBlackBerryContactwith(Area fieldArea, std::uint64_t fieldAreaOffset);
  void ScanBlackBerryCallLogwith(Area fieldArea, std::uint64_t fieldAreaOffset);
  void ScanBlackBerrySMSMessagewith(Area fieldArea, std::uint64_t fieldAreaOffset);
  void ScanBlackBerryMMSMessagewith(Area fieldArea, std::uint64_t fieldAreaOffset);
  void ScanBlackBerryMemoswith(Area fieldArea, std::uint64_t fieldAreaOffset);
  void ScanBlackBerryCalenderwith(Area fieldArea, std::uint64_t fieldAreaOffset);
  // Posts only a stored file that has at least one piece of content.
  void ScanBlackBerryContentStorewith(Area fieldArea, std::uint64_t fieldAreaOffset);

  // The decoder of `database`.
  void decode(BlackBerryDatabase database, Area fieldArea, std::uint64_t fieldAreaOffset);

 private:
  NotificationCenter& nc_;
  std::shared_ptr<const ContentSource> source_;
  std::string textCharset_;
};

}  // namespace orvane
