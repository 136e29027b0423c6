#include "cli/json_lines.h"

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "core/base64.h"
#include "core/content_ref.h"

namespace orvane::cli {

namespace {

class JsonFieldWriter final : public FieldVisitor {
 public:
  explicit JsonFieldWriter(nlohmann::ordered_json& object) : object_(object) {}

  void text(std::string_view name, std::string_view value) override {
    object_[std::string(name)] = value;
  }
  void optionalText(std::string_view name, const std::optional<std::string>& value) override {
    object_[std::string(name)] = value ? nlohmann::ordered_json(*value) : nullptr;
  }
  void number(std::string_view name, std::int64_t value) override {
    object_[std::string(name)] = value;
  }
  void unsignedNumber(std::string_view name, std::uint64_t value) override {
    object_[std::string(name)] = value;
  }
  void bytes(std::string_view name, std::optional<ByteView> value) override {
    object_[std::string(name)] =
        value ? nlohmann::ordered_json(base64Encode(*value)) : nlohmann::ordered_json(nullptr);
  }
  // Read from the backup now, one record's content at a time. Content that
  // can no longer be read is null, and standard error says why.
  void content(std::string_view name, const ContentRef& value) override {
    std::vector<std::uint8_t> bytes;
    std::string problem;
    if (!value) {
      object_[std::string(name)] = nullptr;
    } else if (value.readAll(bytes, problem)) {
      object_[std::string(name)] = base64Encode(bytes);
    } else {
      object_[std::string(name)] = nullptr;
      std::cerr << "orvane-cli: " << name << " not printed: " << problem << '\n';
    }
  }

 private:
  nlohmann::ordered_json& object_;
};

}  // namespace

nlohmann::ordered_json recordToJson(const PRRecord& record) {
  nlohmann::ordered_json object;
  object["class"] = record.className();
  JsonFieldWriter writer(object);
  record.visitFields(writer);
  return object;
}

void writeJsonLine(std::ostream& out, const PRRecord& record) {
  out << recordToJson(record).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
      << '\n';
}

}  // namespace orvane::cli
