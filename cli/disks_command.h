#pragma once

#include <string>
#include <vector>

namespace orvane::cli {

// Prints the disks and partitions the memory-card chooser offers, after
// adding the given disk images to the listing. Exit status 2 when the
// engine cannot be loaded or an image cannot be added.
int runDisks(const std::vector<std::string>& images);

}  // namespace orvane::cli
