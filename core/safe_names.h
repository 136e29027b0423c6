#pragma once

// Names taken from records become file names in the user's export folder:
// they are made safe and never replace each other.

#include <filesystem>
#include <string>
#include <string_view>

namespace orvane {

// One path component: "/", "\" and control characters become "_", a name of
// only dots becomes "_", and an empty name becomes `fallback`. Invalid UTF-8
// bytes are replaced as well, so the result is always valid UTF-8.
std::string makeSafeFileName(std::string_view name, std::string_view fallback = "unnamed");

// `folder / name`, or, when that exists already, "stem (2).ext", "stem (3).ext"
// and so on: the first name that is free.
std::filesystem::path uniquePathIn(const std::filesystem::path& folder, const std::string& name);

// The last path component of a device path such as "/store/pics/a.jpg",
// taking "\" as a separator too.
std::string lastPathComponent(std::string_view devicePath);

}  // namespace orvane
