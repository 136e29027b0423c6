#include "ios/backup_file_name.h"

#include <openssl/evp.h>

#include <cstdio>

namespace orvane {

std::optional<std::string> backupFileName(std::string_view domain, std::string_view devicePath) {
  std::string text;
  text.reserve(domain.size() + 1 + devicePath.size());
  text.append(domain).append("-").append(devicePath);

  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &digestLength, EVP_sha1(), nullptr) != 1 ||
      digestLength != 20) {
    std::fprintf(stderr, "AnalyzerFile hash1 could not compute message digest.\n");
    return std::nullopt;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name;
  name.reserve(40);
  for (unsigned int i = 0; i < digestLength; ++i) {
    name.push_back(kDigits[digest[i] >> 4]);
    name.push_back(kDigits[digest[i] & 0x0F]);
  }
  return name;
}

}  // namespace orvane
