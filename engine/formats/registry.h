#pragma once

#include <span>

#include "engine/end_finder.h"

namespace orvane::engine {

// Every format the scanner knows, in the order their header tests run when
// two formats share a first byte.
std::span<const Format* const> allFormats();

}  // namespace orvane::engine
