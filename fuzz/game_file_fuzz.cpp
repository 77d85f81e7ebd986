// Any bytes as a game file: the tree is built as far as the bytes allow.

#include <cstddef>
#include <cstdint>

#include "scene/db.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  scene::TQZDB root;
  root.LoadGameData({data, size});
  return 0;
}
