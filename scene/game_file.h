#pragma once
// Reading a whole game file image, with an account of what the reading met,
// and the test that tells a game file from other bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace scene {

class TQZElement;

// The element records read (the root's included) and, when a record was cut
// short, the file offset at which the first such record stopped being read.
// Loading stays quiet about damage; the player and the checker say what it was.
struct GameFileReport {
  size_t elements = 0;
  std::optional<uint64_t> stoppedAt;
};

// Reads the image into root through LoadFromData.
GameFileReport ReadGameFile(TQZElement& root, std::span<const uint8_t> data);

// The bytes start with a root record whose header can be read and whose class
// is TQZDB. Enough of a file's start to hold that header is enough to tell.
bool IsGameFile(std::span<const uint8_t> data);
// The root record's Id (its second value) as the file stores it; nullopt
// when the record does not hold one.
std::optional<std::string> ReadRootId(std::span<const uint8_t> data);

// Bytes of a file's start that IsGameFile needs at most.
constexpr size_t kGameFileHeadBytes = 4 + 64 + 4;

}  // namespace scene
