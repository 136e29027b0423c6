#pragma once

// libplist follows nested arrays and dictionaries by recursion, with no
// bound of its own: a property list nested a hundred thousand levels deep
// overflows the stack of whatever thread reads it. These checks walk the
// bytes with a loop and a heap stack before libplist sees them.

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace orvane {

// No property list a device writes comes near this; libplist's frames for
// this many levels fit any thread's stack many times over.
inline constexpr std::size_t kDeepestPlistNesting = 256;

// Why the bytes must not reach libplist, in one line ("nested deeper than
// 256 levels", "object 7 refers back to itself"), or nothing when they may.
// Bytes that are no property list at all are left to libplist to refuse.
std::optional<std::string> plistNestingProblem(std::span<const char> bytes);

}  // namespace orvane
