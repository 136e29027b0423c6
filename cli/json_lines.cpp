#include "cli/json_lines.h"

#include "core/base64.h"

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
