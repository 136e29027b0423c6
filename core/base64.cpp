#include "core/base64.h"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace orvane {

std::string base64Encode(std::span<const std::uint8_t> bytes) {
  std::string encoded;
  // EVP_EncodeBlock takes an int length: encode in slices of whole triples
  constexpr std::size_t kSlice = 3 * (1u << 20);
  for (std::size_t offset = 0; offset < bytes.size(); offset += kSlice) {
    const std::size_t length = std::min(kSlice, bytes.size() - offset);
    std::string piece(4 * ((length + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(piece.data()),
                                        bytes.data() + offset, static_cast<int>(length));
    piece.resize(static_cast<std::size_t>(written));
    encoded += piece;
  }
  return encoded;
}

}  // namespace orvane
