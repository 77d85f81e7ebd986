#pragma once
// The record structure of a game file as the player's reader meets it: which
// child entries it skips (unknown classes, classes the containment rules
// refuse under their parent, entries too short or nested too deeply) and
// which records it cuts short. The player skips all of these without a word,
// so they never reach the loaded tree; this walk reads the raw records.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "tools/check_report.h"

namespace tools {

enum class StructureVerdict {
  Game,     // a root record of class TQZDB (findings may still follow)
  NotGame,  // the bytes do not start with a TQZDB record
};

// Appends one line per problem to `out`. With NotGame, `why` says what the
// bytes are not.
StructureVerdict CheckRecordStructure(std::span<const uint8_t> data, const platform::CodePage& cp,
                                      Findings& out, std::string& why);

// A string value of the root record as the file stores it (before any setter
// replaced it, as Lang's fallback does); empty when the record holds none.
std::string RootStringValue(std::span<const uint8_t> data, std::string_view propName);

}  // namespace tools
