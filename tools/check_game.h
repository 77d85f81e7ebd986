#pragma once
// `qazmir-tool check`: loads a game the way the player does (the game's
// folder as the base of every game file name, the resource pack opened, the
// whole tree read through the element classes) without running any script,
// and reports what an author would want to fix, one line per problem:
//
//   structure   child records the player skips (unknown classes, the
//               containment rules, damaged entries) and records cut short
//   elements    duplicate keys; images (imImage, ImBack) that are missing or
//               do not load; obScreen/obAnim naming no screen or animation;
//               fonts missing from the font archive; TextIds without a text;
//               effect files missing or short
//   scripts     texts that do not prepare; unknown functions and procedures;
//               statements that cannot run; literal sound addresses, screen
//               paths, image names and text keys that name nothing
//   the root    InitScreen and LoadingScreen; the language files, the sound
//               table, the font archive, the unicode font set and
//               "particles.bmp" when used
//
// Loading the game writes nothing that belongs to the user: the per-user
// folder is a scratch folder for the time of the check, and no script hook is
// installed, so nothing is prepared into the player's interpreters or logged.

#include <filesystem>
#include <string>

#include "platform/codepage.h"
#include "tools/check_report.h"

namespace tools {

struct CheckResult {
  enum class Status {
    Checked,     // the lines are the problems found (none: a clean game)
    Unreadable,  // the file could not be read (message in `error`)
    NotGame,     // the file is not a game file (message in `error`)
  };
  Status status = Status::Checked;
  std::string error;
  Findings lines;
};

CheckResult CheckGame(const std::filesystem::path& gameFile, const platform::CodePage& cp);

}  // namespace tools
