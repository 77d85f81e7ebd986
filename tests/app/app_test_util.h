#pragma once
// Helpers for whole-game tests: games built from scene JSON with the tool,
// pictures written with the image libraries, the player run headless.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/options.h"
#include "support/test_support.h"

namespace apptest {

// Builds GAME/name.qzf from scene JSON text; fails the test on a tool error.
void BuildGame(const std::filesystem::path& folder, const std::string& name,
               const std::string& sceneJson);

// A width x height JPEG (baseline, quality 95) filled with one colour.
void WriteJpeg(const std::filesystem::path& file, int width, int height, uint8_t r, uint8_t g,
               uint8_t b);
// A width x height RGBA PNG filled with one colour.
void WritePng(const std::filesystem::path& file, int width, int height, uint32_t argb);
// Reads a PNG back as ARGB pixels.
bool ReadPng(const std::filesystem::path& file, int& width, int& height,
             std::vector<uint32_t>& argb);

// Options of an in-process headless run of the game folder for the given
// passes, seed 1, with its own per-user folder; the input lines, when given,
// are written beside the game and replayed.
app::PlayerOptions HeadlessOptions(const std::filesystem::path& game,
                                   const std::filesystem::path& userDir, int64_t passes,
                                   const std::string& input = "");

// A fixture with a game folder and a per-user folder of its own; Options
// gives a headless run of that game (HeadlessOptions).
class HeadlessGameTest : public ::testing::Test {
 protected:
  app::PlayerOptions Options(int64_t passes, const std::string& input = "") {
    return HeadlessOptions(game_.Path(), users_.Path(), passes, input);
  }
  testing_support::TempDir game_, users_;
};

// Runs build/bin/qazmir with the test environment's rules (headless, seed,
// user dir) and the given extra arguments.
testing_support::CommandResult RunPlayer(const std::filesystem::path& userDir,
                                         const std::vector<std::string>& args);

}  // namespace apptest
