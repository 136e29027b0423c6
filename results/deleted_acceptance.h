#pragma once

#include <string_view>
#include <vector>

#include "core/record.h"

namespace orvane {

// Whether a record carved from free space is kept: it is dropped when it is
// empty, or when a record already listed (live or deleted) has the same
// identifying fields. Fields compare as exact texts.
enum class Acceptance { kAccepted, kEmpty, kDuplicate };

Acceptance acceptDeletedRecord(std::string_view eventName, const PRRecord& candidate,
                               const std::vector<RecordPtr>& listed);

}  // namespace orvane
