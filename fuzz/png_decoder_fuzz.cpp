// libFuzzer target: the PNG decoder on arbitrary bytes.

#include <cstddef>
#include <cstdint>

#include "resources/decoded_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  resources::DecodedImage image;
  if (resources::DecodePng({data, size}, image) == resources::DecodeError::None &&
      image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
    __builtin_trap();
  }
  return 0;
}
