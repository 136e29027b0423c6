#pragma once

#include <optional>
#include <string>

namespace orvane::cli {

// The password of an encrypted device backup: the first line of
// `passwordFile` when given (its line end not included), else asked on the
// terminal with echo off when standard input is one. Nothing, with
// `problem` set to one line, when the file cannot be read or no terminal
// can ask.
std::optional<std::string> backupPassword(const std::optional<std::string>& passwordFile,
                                          std::string& problem);

}  // namespace orvane::cli
