// libFuzzer target: the resource pack reader on arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "resources/store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  resources::TQZStore store;
  store.OpenBytes(std::string(reinterpret_cast<const char*>(data), size));
  store.ReadDirectory();
  const auto& entries = store.Entries();
  for (size_t i = 0; i < entries.size() && i < 64; ++i) {
    std::string bytes;
    store.ReadEntryAt(static_cast<int>(i), bytes);
    store.IndexOf(entries[i].name);
    std::ostringstream out;
    store.CopyEntryTo(entries[i].name, out);
  }
  store.IndexOf("sounds\\click.wav");
  return 0;
}
