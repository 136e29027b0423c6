#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "fixtures/ipd_writer.h"
#include "fixtures/scratch_folder.h"

namespace orvane::testing {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built orvane-cli with the given arguments (no shell parsing of
// them: each is single-quoted) and collects its exit status and output.
// `launcher` goes before the program (e.g. a command that changes the user).
inline CliResult runCli(const std::vector<std::string>& arguments,
                        const std::string& launcher = "") {
  fixtures::ScratchFolder capture;
  std::string command = launcher + "'" ORVANE_CLI_PATH "'";
  for (const std::string& argument : arguments) {
    std::string quoted;
    for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += " '" + quoted + "'";
  }
  command +=
      " >'" + (capture / "out").string() + "' 2>'" + (capture / "err").string() + "' </dev/null";
  const int raw = std::system(command.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = fixtures::readFileText(capture / "out");
  result.err = fixtures::readFileText(capture / "err");
  return result;
}

inline int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Two contacts, an SMS and a memo, in the order a handheld stores them.
inline fixtures::IpdWriter smallBackup() {
  using fixtures::Field;
  return std::move(fixtures::IpdWriter()
                       .database("Address Book - All")
                       .database("SMS Messages")
                       .database("Memos")
                       .record(0, {Field(32, "Ann"), Field(8, "555 0101")})
                       .record(1, {Field::skip4(2, "+15550101"), Field(4, "Hi there")})
                       .record(0, {Field(32, "Smith"), Field(77, "")})
                       .record(2, {Field(1, "Groceries"), Field(2, "milk, eggs")}));
}

}  // namespace orvane::testing
