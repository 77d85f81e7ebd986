#pragma once
// SoundSystem: the game's sound effects and music on top of the audio library.
//
// Effects are samples, loaded once and played overlapping (at most 3 at a
// time each); music pieces are looping streams, loaded once, faded in, glided
// and faded out by a per-step fade. Both are found as "sounds\" + NAME, first
// as a loose file, then as a pack entry; names are upper-cased and a name
// whose sound is missing falls back to the same name ending in "OGG". Failed
// loads are remembered and never tried again. Nothing is ever freed.
//
// Called from the main thread only (scripts, the intro, the frame loop).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class PathResolver;
}

namespace resources {

class AudioLibrary;
class TQZStore;

// How sound files are found; wired by the game root to its folder and pack.
struct SoundLookup {
  // The loose file for a relative game name such as "sounds\CLICK.WAV"
  // (backslashes, any letter case on disk), or nothing when there is none.
  std::function<std::optional<std::filesystem::path>(const std::string& name)> findFile;
  // The bytes of the pack entry of that name; false when the pack lacks it.
  std::function<bool(const std::string& name, std::string& out)> readPackEntry;
};

// Loose files through the game's path resolver (regular files only), pack
// entries from the game's pack. Both must outlive the lookup.
SoundLookup MakeSoundLookup(platform::PathResolver& resolver, const TQZStore& pack);

class SoundSystem {
 public:
  struct SampleRecord {
    std::string name;     // upper case
    uint32_t sample = 0;  // 0: could not be loaded
  };
  struct MusicRecord {
    std::string name;     // upper case
    uint32_t stream = 0;  // 0: could not be loaded
    double level = 0;     // current fade level, 0 to 1
    double step = 0;      // change of level per step; 0 when not fading
    double target = 0;    // level at which the fade stops
  };

  static constexpr int kFadeInSteps = 60;
  static constexpr int kFadeOutSteps = 30;
  static constexpr uint32_t kSamplePlaybacks = 3;

  explicit SoundSystem(AudioLibrary& audio) : audio_(audio) {}

  void SetLookup(SoundLookup lookup) { lookup_ = std::move(lookup); }
  // Called after every sample load, so that the time spent loading does not
  // turn into catch-up steps of the frame loop.
  void SetClockRestart(std::function<void()> restart) { restartClock_ = std::move(restart); }

  // One playback of the effect at soundVolume x volume div 100.
  void PlaySnd(std::string_view fileName, int volume);
  // Starts the piece with a fade-in to volume / 100, or glides a playing one there.
  void PlayMuz(std::string_view fileName, int volume);
  // Fades every piece out; playing pieces stop when they reach silence.
  void StopMuz();
  // The per-step music fade; the frame loop runs it in every normal and loading step.
  void FadeStep();

  int SoundVolume() const { return soundVolume_; }
  int MusicVolume() const { return musicVolume_; }
  // Both volumes as read from the settings; nothing changes on the channels.
  void SetVolumes(int soundVolume, int musicVolume);
  void SetSoundVolume(int volume) { soundVolume_ = volume; }
  // Applies the new music volume at once to the first playing piece; the
  // others follow at the next fade step.
  void SetMusicVolume(int volume);

  // Pause and resume of all output (window deactivated or minimised).
  void Pause();
  void Resume();

  const std::vector<SampleRecord>& Samples() const { return samples_; }
  const std::vector<MusicRecord>& Music() const { return music_; }

 private:
  uint32_t LoadSample(const std::string& name);
  uint32_t LoadMusic(const std::string& name);
  MusicRecord* FindMusic(const std::string& name, const std::string& alternative, bool loaded);
  void ApplyMusicVolume(MusicRecord& record);

  AudioLibrary& audio_;
  SoundLookup lookup_;
  std::function<void()> restartClock_;
  std::vector<SampleRecord> samples_;
  std::vector<MusicRecord> music_;
  int soundVolume_ = 100;
  int musicVolume_ = 50;
};

// The name with its last three characters replaced by "OGG".
std::string AlternativeSoundName(const std::string& upperName);

}  // namespace resources
