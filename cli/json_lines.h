#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "core/record.h"

namespace orvane::cli {

// {"class": "PRBlackBerryContactNode", ...every field under its own name...}
// Byte fields are Base64 text, numbers are numbers, absent values null.
nlohmann::ordered_json recordToJson(const PRRecord& record);

// One JSON object on one line, with invalid UTF-8 replaced rather than fatal.
void writeJsonLine(std::ostream& out, const PRRecord& record);

}  // namespace orvane::cli
