// Sound effects and music over the audio library: names, the "OGG"
// alternative, loose files before pack entries, remembered failures, the fade
// arithmetic step by step and what ends up in the mixed output.

#include "resources/audio/sound_system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "platform/path_resolver.h"
#include "resources/audio/audio_library.h"
#include "resources/store.h"
#include "support/test_support.h"

namespace {

using namespace resources;
using testing_support::ReadFile;
using testing_support::Sox;
using testing_support::TempDir;
using testing_support::WriteFile;

std::vector<int16_t> Raw16(const std::string& bytes, size_t offset) {
  std::vector<int16_t> v((bytes.size() - offset) / 2);
  std::memcpy(v.data(), bytes.data() + offset, v.size() * 2);
  return v;
}

// The data of a WAV file with a plain 44-byte header (what sox and our writer make).
std::vector<int16_t> WavData(const std::filesystem::path& file) {
  std::string bytes = ReadFile(file);
  EXPECT_GE(bytes.size(), 44u);
  EXPECT_EQ(bytes.substr(36, 4), "data");
  return Raw16(bytes, 44);
}

class SoundSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "sounds");
    resolver_.Reset(dir_.Path(), platform::CodePage::Default());
    StartAudio(true);
  }

  void StartAudio(bool withOutput) {
    sound_.reset();
    audio_ = std::make_unique<AudioLibrary>(withOutput ? MakeWavFileOutput(out_) : nullptr);
    audio_->Init(kDefaultDevice, 44100, 0, nullptr);
    sound_ = std::make_unique<SoundSystem>(*audio_);
    SoundLookup real = MakeSoundLookup(resolver_, pack_);
    // Counts every look at the disk or the pack, to see what is never retried.
    sound_->SetLookup({[this, real](const std::string& name) {
                         lookups_.push_back(name);
                         return real.findFile(name);
                       },
                       real.readPackEntry});
    sound_->SetClockRestart([this] { ++clockRestarts_; });
  }

  // Closes the output so the WAV file is complete; returns its samples.
  std::vector<int16_t> FinishOutput() {
    sound_.reset();
    audio_.reset();
    return WavData(out_);
  }

  // A 16-bit stereo 44100 Hz sine at the given amplitude, written by sox.
  std::string MakeSound(const std::filesystem::path& file, const std::string& seconds,
                        const std::string& amplitude, const std::string& freq = "440") {
    EXPECT_TRUE(Sox({"-n", "-r", "44100", "-c", "2", "-b", "16", file.string(), "synth", seconds,
                     "sine", freq, "vol", amplitude}));
    return ReadFile(file);
  }

  void SetPack(const std::vector<std::pair<std::string, std::string>>& entries) {
    PackWriter w;
    for (const auto& [name, bytes] : entries) w.Add(name, bytes);
    pack_.OpenBytes(w.Finish());
    pack_.ReadDirectory();
  }

  int MusicVolumeOf(size_t record) {
    int volume = -1;
    audio_->ChannelGetAttributes(sound_->Music().at(record).stream, nullptr, &volume, nullptr);
    return volume;
  }
  bool MusicPlaying(size_t record) {
    return audio_->ChannelIsActive(sound_->Music().at(record).stream) == 1;
  }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) {
      sound_->FadeStep();
      audio_->AdvanceVirtualClock();
    }
  }

  TempDir dir_;
  std::filesystem::path out_ = dir_ / "out.wav";
  platform::PathResolver resolver_;
  TQZStore pack_;
  std::unique_ptr<AudioLibrary> audio_;
  std::unique_ptr<SoundSystem> sound_;
  std::vector<std::string> lookups_;
  int clockRestarts_ = 0;
};

TEST(SoundNames, AlternativeReplacesTheLastThreeCharacters) {
  EXPECT_EQ(AlternativeSoundName("THEME.MP3"), "THEME.OGG");
  EXPECT_EQ(AlternativeSoundName("A\\B.WAV"), "A\\B.OGG");
  EXPECT_EQ(AlternativeSoundName("X.OGG"), "X.OGG");
  EXPECT_EQ(AlternativeSoundName("AB"), "OGG");
}

// Music at volume 100 with the music volume 50: from 0 up to 50 over exactly
// 60 steps, rounding halves to even, then steady.
TEST_F(SoundSystemTest, MusicFadesInOverSixtySteps) {
  MakeSound(dir_ / "sounds" / "theme.wav", "1", "0.3");
  sound_->PlayMuz("theme.wav", 100);
  ASSERT_EQ(sound_->Music().size(), 1u);
  EXPECT_EQ(sound_->Music()[0].name, "THEME.WAV");
  EXPECT_TRUE(MusicPlaying(0));
  EXPECT_EQ(MusicVolumeOf(0), 0);
  EXPECT_DOUBLE_EQ(sound_->Music()[0].step, 1.0 / 60);
  std::vector<int> volumes;
  for (int k = 1; k <= 61; ++k) {
    Steps(1);
    volumes.push_back(MusicVolumeOf(0));
  }
  EXPECT_EQ(volumes[0], 1);   // round(0.8333)
  EXPECT_EQ(volumes[2], 2);   // 50 x 3/60 = 2.5 -> 2
  EXPECT_EQ(volumes[8], 8);   // 50 x 9/60 = 7.5 -> 8
  EXPECT_EQ(volumes[58], 49);
  EXPECT_EQ(volumes[59], 50);
  EXPECT_EQ(volumes[60], 50);
  for (size_t i = 1; i < volumes.size(); ++i) {
    EXPECT_GE(volumes[i], volumes[i - 1]);
    EXPECT_LE(volumes[i] - volumes[i - 1], 1);
  }
  EXPECT_EQ(sound_->Music()[0].level, 1.0);
  EXPECT_EQ(sound_->Music()[0].step, 0.0);
  // The clock is restarted for samples only.
  EXPECT_EQ(clockRestarts_, 0);

  // The output rises with the fade: louder in its last quarter than its first.
  auto out = FinishOutput();
  ASSERT_GE(out.size(), 2u * 60 * kFramesPerStep);
  auto energy = [&](size_t fromStep, size_t toStep) {
    double sum = 0;
    for (size_t i = 2 * fromStep * kFramesPerStep; i < 2 * toStep * kFramesPerStep; ++i) {
      sum += double(out[i]) * out[i];
    }
    return sum;
  };
  EXPECT_GT(energy(45, 60), 4 * energy(0, 15));
}

// A piece that plays steady at level 1 and is asked for 40 glides to 0.4 over
// 60 steps without starting over.
TEST_F(SoundSystemTest, PlayingMusicGlidesToANewTarget) {
  MakeSound(dir_ / "sounds" / "theme.wav", "1", "0.3");
  sound_->PlayMuz("theme.wav", 100);
  Steps(60);
  ASSERT_EQ(sound_->Music()[0].level, 1.0);
  sound_->PlayMuz("THEME.WAV", 40);
  ASSERT_EQ(sound_->Music().size(), 1u);
  EXPECT_EQ(sound_->Music()[0].level, 1.0);  // not restarted from 0
  EXPECT_DOUBLE_EQ(sound_->Music()[0].step, -0.01);
  Steps(30);
  EXPECT_NEAR(sound_->Music()[0].level, 0.7, 1e-12);
  EXPECT_EQ(MusicVolumeOf(0), 35);
  Steps(29);
  EXPECT_GT(sound_->Music()[0].level, 0.4);
  EXPECT_NE(sound_->Music()[0].step, 0.0);
  Steps(1);
  EXPECT_EQ(sound_->Music()[0].level, 0.4);
  EXPECT_EQ(sound_->Music()[0].step, 0.0);
  EXPECT_EQ(MusicVolumeOf(0), 20);
  EXPECT_TRUE(MusicPlaying(0));
}

// Fade-out from 0.5: silent and stopped after exactly 30 steps; the record
// stays and the next request starts the piece over with a fresh fade-in.
TEST_F(SoundSystemTest, FadeOutReachesZeroInThirtyStepsAndStops) {
  MakeSound(dir_ / "sounds" / "theme.wav", "1", "0.3");
  sound_->PlayMuz("theme.wav", 50);
  Steps(60);
  ASSERT_EQ(sound_->Music()[0].level, 0.5);
  EXPECT_EQ(MusicVolumeOf(0), 25);
  sound_->StopMuz();
  EXPECT_DOUBLE_EQ(sound_->Music()[0].step, -0.5 / 30);
  EXPECT_EQ(sound_->Music()[0].target, 0.0);
  Steps(29);
  EXPECT_TRUE(MusicPlaying(0));
  EXPECT_GT(sound_->Music()[0].level, 0.0);
  Steps(1);
  EXPECT_FALSE(MusicPlaying(0));
  EXPECT_EQ(sound_->Music()[0].level, 0.0);
  EXPECT_EQ(MusicVolumeOf(0), 0);
  Steps(3);  // a stopped piece is left alone
  EXPECT_EQ(sound_->Music()[0].level, 0.0);

  sound_->PlayMuz("theme.wav", 100);
  EXPECT_TRUE(MusicPlaying(0));
  EXPECT_EQ(sound_->Music()[0].level, 0.0);
  EXPECT_DOUBLE_EQ(sound_->Music()[0].step, 1.0 / 60);
  ASSERT_EQ(sound_->Music().size(), 1u);
}

TEST_F(SoundSystemTest, MusicAtVolumeZeroFadesOutAndStops) {
  MakeSound(dir_ / "sounds" / "theme.wav", "1", "0.3");
  sound_->PlayMuz("theme.wav", 100);
  Steps(60);
  sound_->PlayMuz("theme.wav", 0);
  Steps(59);
  EXPECT_TRUE(MusicPlaying(0));
  Steps(1);
  EXPECT_FALSE(MusicPlaying(0));
  EXPECT_EQ(sound_->Music()[0].level, 0.0);
}

// A new music volume reaches the first playing piece at once, at the level it
// is at; the others follow on the next step.
TEST_F(SoundSystemTest, MusicVolumeAppliesAtOnceToTheFirstPlayingPiece) {
  MakeSound(dir_ / "sounds" / "a.wav", "1", "0.1");
  MakeSound(dir_ / "sounds" / "b.wav", "1", "0.1", "660");
  sound_->PlayMuz("a.wav", 50);
  sound_->PlayMuz("b.wav", 50);
  Steps(60);
  EXPECT_EQ(MusicVolumeOf(0), 25);
  EXPECT_EQ(MusicVolumeOf(1), 25);
  sound_->SetMusicVolume(5);
  EXPECT_EQ(sound_->MusicVolume(), 5);
  EXPECT_EQ(MusicVolumeOf(0), 2);  // 2.5 -> 2
  EXPECT_EQ(MusicVolumeOf(1), 25);
  Steps(1);
  EXPECT_EQ(MusicVolumeOf(1), 2);
  sound_->SetMusicVolume(7);
  EXPECT_EQ(MusicVolumeOf(0), 4);  // 3.5 -> 4

  sound_->StopMuz();
  Steps(30);
  sound_->PlayMuz("b.wav", 100);
  Steps(60);
  sound_->SetMusicVolume(9);  // a is stopped: b is the first playing piece
  EXPECT_EQ(MusicVolumeOf(1), 9);
  // Out-of-range volumes are held to the 0-to-100 scale.
  sound_->SetMusicVolume(1000);
  EXPECT_EQ(MusicVolumeOf(1), 100);
  sound_->SetMusicVolume(-20);
  EXPECT_EQ(MusicVolumeOf(1), 0);
}

// Sound volume x volume div 100, truncating: 33 x 50 div 100 = 16.
TEST_F(SoundSystemTest, SoundPlaysAtSoundVolumeTimesVolume) {
  std::string bytes = MakeSound(dir_ / "sounds" / "beep.wav", "0.1", "0.5");
  auto src = Raw16(bytes, 44);
  sound_->SetSoundVolume(33);
  sound_->PlaySnd("Beep.wav", 50);
  EXPECT_EQ(clockRestarts_, 1);
  audio_->AdvanceVirtualClock();
  audio_->AdvanceVirtualClock();
  audio_->AdvanceVirtualClock();
  auto out = FinishOutput();
  ASSERT_EQ(out.size(), 2u * 3 * kFramesPerStep);
  ASSERT_EQ(src.size(), 2u * 4410);
  for (size_t i = 0; i < src.size(); ++i) ASSERT_NEAR(out[i], src[i] * 0.16, 0.51) << i;
  for (size_t i = src.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0);
}

// Four plays at once: only three playbacks sound (the fourth takes over the first).
TEST_F(SoundSystemTest, FourSimultaneousPlaysKeepThreePlaybacks) {
  std::string bytes = MakeSound(dir_ / "sounds" / "tick.wav", "0.02", "0.1");
  auto src = Raw16(bytes, 44);
  for (int i = 0; i < 4; ++i) sound_->PlaySnd("tick.wav", 100);
  EXPECT_EQ(sound_->Samples().size(), 1u);
  EXPECT_EQ(clockRestarts_, 1);
  audio_->AdvanceVirtualClock();
  auto out = FinishOutput();
  for (size_t i = 0; i < src.size(); ++i) ASSERT_EQ(out[i], 3 * src[i]) << i;
}

// A request for click.wav when only click.ogg exists plays click.ogg; the
// failed name is remembered and neither is looked up again.
TEST_F(SoundSystemTest, OggAlternativeOfAMissingSound) {
  ASSERT_TRUE(Sox({"-n", "-r", "22050", "-c", "1", (dir_ / "sounds" / "click.ogg").string(),
                   "synth", "0.1", "sine", "880", "vol", "0.5"}));
  sound_->PlaySnd("click.wav", 100);
  ASSERT_EQ(sound_->Samples().size(), 2u);
  EXPECT_EQ(sound_->Samples()[0].name, "CLICK.WAV");
  EXPECT_EQ(sound_->Samples()[0].sample, 0u);
  EXPECT_EQ(sound_->Samples()[1].name, "CLICK.OGG");
  EXPECT_NE(sound_->Samples()[1].sample, 0u);
  EXPECT_EQ(clockRestarts_, 2);
  EXPECT_EQ(lookups_, (std::vector<std::string>{"sounds\\CLICK.WAV", "sounds\\CLICK.OGG"}));
  sound_->PlaySnd("CLICK.WAV", 100);
  sound_->PlaySnd("click.ogg", 100);
  EXPECT_EQ(sound_->Samples().size(), 2u);
  EXPECT_EQ(lookups_.size(), 2u);
  EXPECT_EQ(clockRestarts_, 2);

  // Music too: the failed THEME.MP3 record comes first and must not hide THEME.OGG.
  ASSERT_TRUE(Sox({"-n", "-r", "44100", "-c", "2", (dir_ / "sounds" / "Theme.ogg").string(),
                   "synth", "0.5", "sine", "220", "vol", "0.5"}));
  sound_->PlayMuz("theme.mp3", 100);
  ASSERT_EQ(sound_->Music().size(), 2u);
  EXPECT_EQ(sound_->Music()[0].stream, 0u);
  EXPECT_TRUE(MusicPlaying(1));
  Steps(60);
  EXPECT_EQ(MusicVolumeOf(1), 50);
  sound_->PlayMuz("theme.mp3", 40);  // glides the OGG piece
  EXPECT_DOUBLE_EQ(sound_->Music()[1].step, -0.01);
  EXPECT_EQ(sound_->Music().size(), 2u);
  EXPECT_EQ(clockRestarts_, 2);

  audio_->AdvanceVirtualClock();
  auto out = FinishOutput();
  bool sounded = false;
  for (int16_t v : out) sounded |= v != 0;
  EXPECT_TRUE(sounded);
}

// Loose files under "sounds" come before pack entries; a pack entry plays when
// there is no file; a music piece from the pack keeps its bytes while it loops.
TEST_F(SoundSystemTest, LooseFilesBeforePackEntries) {
  std::string quiet = MakeSound(dir_ / "sounds" / "beep.wav", "0.02", "0.1");
  std::string loud = MakeSound(dir_ / "loud.wav", "0.02", "0.8");
  std::string loop = MakeSound(dir_ / "loop.wav", "0.05", "0.3", "300");  // 2205 frames
  SetPack({{"SOUNDS\\BEEP.WAV", loud}, {"SOUNDS\\LOUD.WAV", loud}, {"SOUNDS\\LOOP.WAV", loop}});
  sound_->PlaySnd("beep.wav", 100);
  audio_->AdvanceVirtualClock();
  sound_->PlaySnd("loud.wav", 100);
  audio_->AdvanceVirtualClock();
  sound_->SetMusicVolume(100);
  sound_->PlayMuz("loop.wav", 100);
  Steps(63);  // fade in fully, then three steps at full volume
  EXPECT_TRUE(MusicPlaying(0));
  auto out = FinishOutput();
  auto q = Raw16(quiet, 44), l = Raw16(loud, 44), m = Raw16(loop, 44);
  for (size_t i = 0; i < q.size(); ++i) ASSERT_EQ(out[i], q[i]) << i;
  const size_t second = 2 * kFramesPerStep;
  for (size_t i = 0; i < l.size(); ++i) ASSERT_EQ(out[second + i], l[i]) << i;
  // The last three steps play the looping piece at full volume: a whole number
  // of passes has gone by at each step boundary, so compare against its phase.
  const size_t first = 2 * (2 + 60) * kFramesPerStep;
  const size_t played = 60 * kFramesPerStep;  // frames of the piece before `first`
  for (size_t f = 0; f < 3 * kFramesPerStep; ++f) {
    const size_t phase = (played + f) % (m.size() / 2);
    ASSERT_EQ(out[first + 2 * f], m[2 * phase]) << f;
  }
}

// Missing and damaged sounds fail quietly and are never looked for again.
TEST_F(SoundSystemTest, FailuresAreRememberedAndSilent) {
  WriteFile(dir_ / "sounds" / "bad.wav", "RIFF\x24\0\0\0WAVEfmt \x10\0\0\0garbage garbage");
  sound_->PlaySnd("nothing.wav", 100);
  sound_->PlaySnd("bad.wav", 100);
  sound_->PlayMuz("nothing.mp3", 100);
  sound_->PlayMuz("bad.wav", 100);
  const size_t looked = lookups_.size();
  EXPECT_EQ(looked, 8u);  // name and alternative, once per kind (the caches are separate)
  for (int i = 0; i < 3; ++i) {
    sound_->PlaySnd("nothing.wav", 100);
    sound_->PlaySnd("bad.wav", 100);
    sound_->PlayMuz("nothing.mp3", 100);
    sound_->PlayMuz("bad.wav", 100);
    sound_->StopMuz();
    Steps(1);
  }
  EXPECT_EQ(lookups_.size(), looked);
  for (const auto& r : sound_->Samples()) EXPECT_EQ(r.sample, 0u) << r.name;
  for (const auto& r : sound_->Music()) EXPECT_EQ(r.stream, 0u) << r.name;
  EXPECT_EQ(sound_->Samples().size(), 4u);
  EXPECT_EQ(sound_->Music().size(), 4u);
  EXPECT_EQ(clockRestarts_, 4);
  sound_->PlaySnd("", 100);
  sound_->PlayMuz("", 100);
  EXPECT_EQ(sound_->Samples().size(), 4u);
  auto out = FinishOutput();
  for (int16_t v : out) ASSERT_EQ(v, 0);
}

// Without audio output nothing is read and nothing plays, but names are still
// remembered so later calls stay cheap.
TEST_F(SoundSystemTest, WithoutAudioOutputEverythingIsSilent) {
  MakeSound(dir_ / "sounds" / "beep.wav", "0.02", "0.1");
  StartAudio(false);
  sound_->PlaySnd("beep.wav", 100);
  sound_->PlayMuz("beep.wav", 100);
  sound_->StopMuz();
  sound_->FadeStep();
  sound_->SetMusicVolume(10);
  sound_->Pause();
  sound_->Resume();
  EXPECT_TRUE(lookups_.empty());
  ASSERT_EQ(sound_->Samples().size(), 2u);
  EXPECT_EQ(sound_->Samples()[0].sample, 0u);
  EXPECT_EQ(sound_->Music()[0].stream, 0u);
}

TEST_F(SoundSystemTest, PauseHoldsOutputAndResumeContinues) {
  std::string bytes = MakeSound(dir_ / "sounds" / "beep.wav", "0.05", "0.2");
  auto src = Raw16(bytes, 44);
  sound_->PlaySnd("beep.wav", 100);
  audio_->AdvanceVirtualClock();
  sound_->Pause();
  audio_->AdvanceVirtualClock();
  audio_->AdvanceVirtualClock();
  sound_->Resume();
  audio_->AdvanceVirtualClock();
  auto out = FinishOutput();
  ASSERT_EQ(out.size(), 2u * 2 * kFramesPerStep);
  for (size_t i = 0; i < src.size(); ++i) ASSERT_EQ(out[i], src[i]) << i;
}

}  // namespace
