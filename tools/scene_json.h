#pragma once
// Conversion between game files and the scene JSON of the tool:
// {"class": "TQZImage", "props": {...}, "children": [...]}, optionally "count": P.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/codepage.h"

namespace tools {

using Json = nlohmann::ordered_json;

// A problem with the input, reported to the user as it stands.
struct ToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Game file bytes -> scene JSON. Records of unknown classes are left out, and
// records cut short end where their bytes end; each adds a line to warnings.
Json GameFileToJson(const std::string& bytes, const platform::CodePage& cp,
                    std::vector<std::string>& warnings);

// Scene JSON -> game file bytes. baseDir resolves {"file": ...} script values.
// Throws ToolError for unknown classes, unknown properties and bad values.
std::string JsonToGameFile(const Json& scene, const std::filesystem::path& baseDir,
                           const platform::CodePage& cp);

}  // namespace tools
