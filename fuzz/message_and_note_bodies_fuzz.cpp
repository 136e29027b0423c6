// Bytes as a message's attributedBody and as a note's ZDATA: both readers
// must answer text or nothing, never read outside the bytes.

#include <cstddef>
#include <cstdint>
#include <span>

#include "ios/attributed_body.h"
#include "ios/note_body.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  (void)orvane::attributedBodyText(bytes);
  (void)orvane::noteBodyText(bytes);
  // the protobuf walk on its own, without the gzip layer in front
  (void)orvane::noteTextOfProtobuf(bytes);
  return 0;
}
