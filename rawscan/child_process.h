#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// Runs a program with an argument vector (never through a shell) and
// answers what it wrote to standard output, when it exited with status 0
// within `timeout` and wrote no more than `maxOutputBytes`. Its standard
// input and error are /dev/null. A program that overruns is killed.
std::optional<std::string> runProgramOutput(const std::vector<std::string>& argv,
                                            std::size_t maxOutputBytes,
                                            std::chrono::milliseconds timeout);

}  // namespace orvane
