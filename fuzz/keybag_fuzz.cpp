// Bytes as an encrypted backup's keybag: parsed, then unlocked with a
// password (round counts cut down, so that a run tries inputs, not PBKDF2);
// and the same bytes as a manifest row's archived file with its key.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "ios/encrypted_backup.h"
#include "ios/keybag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)orvane::encryptedFileKeyOf(std::span(data, size));
  std::string reason;
  auto keybag = orvane::parseKeybag(std::span(data, size), reason);
  if (!keybag) return 0;
  keybag->iterations = std::min<std::uint64_t>(keybag->iterations, 2);
  keybag->doubleProtectionIterations =
      std::min<std::uint64_t>(keybag->doubleProtectionIterations, 2);
  if (orvane::unlockKeybag(*keybag, "password", reason)) {
    const std::uint8_t fileKey[44] = {3};
    (void)orvane::unwrapFileKey(*keybag, fileKey);
  }
  return 0;
}
