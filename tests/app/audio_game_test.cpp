// A headless game that plays a sound effect and a piece of music, heard
// through --audio-out: the music's level rises over its fade-in and the
// effect's tone is present.

#include <gtest/gtest.h>

#include <cmath>

#include "app_test_util.h"

namespace {

using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::WriteFile;

// RMS of the left channel of a 16-bit stereo WAV between two times.
double Rms(const std::string& wav, double fromSeconds, double toSeconds) {
  const size_t data = wav.find("data");
  if (data == std::string::npos) return -1;
  const int16_t* samples = reinterpret_cast<const int16_t*>(wav.data() + data + 8);
  const size_t frames = (wav.size() - data - 8) / 4;
  size_t a = static_cast<size_t>(fromSeconds * 44100), b = static_cast<size_t>(toSeconds * 44100);
  b = std::min(b, frames);
  if (a >= b) return -1;
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += double(samples[i * 2]) * samples[i * 2];
  return std::sqrt(sum / double(b - a));
}

TEST(AudioGame, MusicFadesInAndTheEffectPlays) {
  if (!testing_support::Sox({"--version"})) GTEST_SKIP() << "sox is not installed";
  TempDir game, users;
  std::filesystem::create_directories(game / "sounds");
  ASSERT_TRUE(testing_support::Sox({"-n", "-r", "22050", "-c", "1",
                                    (game / "sounds" / "music.wav").string(), "synth", "10",
                                    "sine", "440", "vol", "0.5"}));
  ASSERT_TRUE(testing_support::Sox({"-n", "-r", "44100", "-c", "2",
                                    (game / "sounds" / "click.ogg").string(), "synth", "0.3",
                                    "square", "1000", "vol", "0.5"}));
  // The click is asked for as a WAV and found as its OGG alternative.
  WriteFile(game / "sounds.ini", "[Default]\r\nmusic=100:music.wav\r\nclick=click.wav\r\n");
  apptest::BuildGame(game.Path(), "audio", R"json({
    "class": "TQZDB",
    "props": {"Id": "Audio", "InitScreen": 1, "SoundFile": "sounds.ini",
              "exInit": "PlayMuz('music')", "exKeyDown": "PlaySnd('click')"},
    "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall"}}]
  })json");
  WriteFile(game / "input.txt", "100 key 32\n");
  auto wav = game / "out.wav";
  auto r = apptest::RunPlayer(users.Path(), {"--steps", "130", "--audio-out", wav.string(),
                                             "--input", (game / "input.txt").string(),
                                             game.Path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string bytes = ReadFile(wav);
  ASSERT_GT(bytes.size(), 44u + 4 * 44100 * 4);
  // The music starts at step 2 and fades in over 60 steps (2 s).
  const double early = Rms(bytes, 0.10, 0.40);
  const double middle = Rms(bytes, 0.90, 1.10);
  const double full = Rms(bytes, 2.40, 3.20);
  EXPECT_GT(middle, early * 2) << early << " " << middle;
  EXPECT_GT(full, middle * 1.5) << middle << " " << full;
  // The effect starts at step 100: louder while it plays.
  const double withClick = Rms(bytes, 3.34, 3.50);
  EXPECT_GT(withClick, full * 1.2) << full << " " << withClick;
  // 130 logic steps of 1/30 s each.
  EXPECT_NEAR((bytes.size() - 44) / 4.0, 130 * 1470.0, 1470.0);
}

}  // namespace
