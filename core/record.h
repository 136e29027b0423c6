#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class ContentRef;

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Walks the fields of a record under their own names, in declaration order.
// The JSON output and the tests read records through it, so a field that is
// not visited is invisible to them.
class FieldVisitor {
 public:
  virtual ~FieldVisitor() = default;
  virtual void text(std::string_view name, std::string_view value) = 0;
  // A text a scanner may leave missing rather than empty.
  virtual void optionalText(std::string_view name, const std::optional<std::string>& value) = 0;
  virtual void number(std::string_view name, std::int64_t value) = 0;
  virtual void unsignedNumber(std::string_view name, std::uint64_t value) = 0;
  // A byte field that is absent ("none", nothing here) differs from one
  // that is empty.
  virtual void bytes(std::string_view name, std::optional<ByteView> value) = 0;
  void bytes(std::string_view name, const std::optional<Bytes>& value) {
    bytes(name, value ? std::optional<ByteView>(*value) : std::nullopt);
  }
  // Bulk content that lies in the backup (absent or present, as for bytes);
  // a visitor that needs the bytes reads them through the reference.
  virtual void content(std::string_view name, const ContentRef& value) = 0;
};

// Every record the scanners find: created by one scanner, posted once, then
// owned by the results model's list. `bSelected` is the user's tick.
class PRRecord {
 public:
  virtual ~PRRecord() = default;
  virtual const char* className() const = 0;
  virtual void visitFields(FieldVisitor& visitor) const = 0;

  // Set by the results model when it keeps the record: the order of arrival
  // across all lists.
  std::uint32_t postingIndex = 0;
  // Last, so that a subclass's first one-byte member fills the padding.
  std::uint8_t bSelected = 0;
};

using RecordPtr = std::shared_ptr<PRRecord>;

template <class T>
std::shared_ptr<T> recordAs(const RecordPtr& record) {
  return std::dynamic_pointer_cast<T>(record);
}

}  // namespace orvane
