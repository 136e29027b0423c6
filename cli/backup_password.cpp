#include "cli/backup_password.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>

namespace orvane::cli {

namespace {

void dropLineEnd(std::string& line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
}

}  // namespace

std::optional<std::string> backupPassword(const std::optional<std::string>& passwordFile,
                                          std::string& problem) {
  std::string password;
  if (passwordFile) {
    std::ifstream in(*passwordFile, std::ios::binary);
    if (!in) {
      problem = *passwordFile + ": the password file cannot be read";
      return std::nullopt;
    }
    std::getline(in, password);
    dropLineEnd(password);
    return password;
  }
  if (::isatty(STDIN_FILENO) == 0) {
    problem =
        "the backup is encrypted: give its password with --password-file FILE (the password on "
        "the file's first line)";
    return std::nullopt;
  }
  termios shown{};
  const bool canHide = ::tcgetattr(STDIN_FILENO, &shown) == 0;
  if (canHide) {
    termios hidden = shown;
    hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
  }
  std::fprintf(stderr, "Password of the encrypted backup: ");
  std::fflush(stderr);
  const bool read = static_cast<bool>(std::getline(std::cin, password));
  if (canHide) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
  std::fprintf(stderr, "\n");
  if (!read) {
    problem = "the backup is encrypted and no password was typed";
    return std::nullopt;
  }
  dropLineEnd(password);
  return password;
}

}  // namespace orvane::cli
