#pragma once
// How `qazmir-tool check` names what it reports on. Every finding is one line:
//
//   QZDB.Hall.Door (TQZImage, Key 12): image "door.png" is not found
//   QZDB.Hall.Door (TQZImage, Key 12) exMouseDown: unknown function FOO
//
// The path is the chain of Ids from the root (which scripts call QZDB); an
// element without an Id stands as "#" and its Key. Names from the game are
// converted from its code page, so the lines are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace scene {
class TQZElement;
}

namespace tools {

// One path segment: the Id (UTF-8), or "#" + Key when the Id is empty.
std::string PathSegment(std::string_view id, int32_t key, const platform::CodePage& cp);
// "QZDB" for the root, else the parent's path, ".", the segment.
std::string ElementPath(const scene::TQZElement& e, const platform::CodePage& cp);
// "PATH (CLASS, Key N)".
std::string Label(const std::string& path, std::string_view className, int32_t key);
std::string Label(const scene::TQZElement& e, const platform::CodePage& cp);

// A game text quoted for a message: UTF-8 between double quotes.
std::string Quoted(std::string_view gameText, const platform::CodePage& cp);

using Findings = std::vector<std::string>;

}  // namespace tools
