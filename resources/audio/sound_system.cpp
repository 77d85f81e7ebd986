#include "resources/audio/sound_system.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/numeric.h"
#include "platform/path_resolver.h"
#include "resources/audio/audio_library.h"
#include "resources/store.h"

namespace resources {
namespace {

const std::string kSoundFolder = "sounds\\";

// A fade of N steps adds step N times; the rounding of those sums may leave
// the level a hair short of the target after the Nth step. Within this
// fraction of a step the target counts as reached, so an N-step fade ends on
// step N.
constexpr double kFadeSlack = 1e-6;

int ClampToInt(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

SoundLookup MakeSoundLookup(platform::PathResolver& resolver, const TQZStore& pack) {
  SoundLookup lookup;
  lookup.findFile = [&resolver](const std::string& name) -> std::optional<std::filesystem::path> {
    auto path = resolver.Resolve(name);
    std::error_code ec;
    if (path && std::filesystem::is_regular_file(*path, ec)) return path;
    return std::nullopt;
  };
  lookup.readPackEntry = [&pack](const std::string& name, std::string& out) {
    return pack.ReadEntry(name, out);
  };
  return lookup;
}

std::string AlternativeSoundName(const std::string& upperName) {
  const size_t keep = upperName.size() >= 3 ? upperName.size() - 3 : 0;
  return upperName.substr(0, keep) + "OGG";
}

uint32_t SoundSystem::LoadSample(const std::string& name) {
  for (const auto& r : samples_) {
    if (r.name == name) return r.sample;
  }
  uint32_t handle = 0;
  // Without audio output nothing could play: spare the disk and the pack.
  if (audio_.Initialized()) {
    const std::string relative = kSoundFolder + name;
    std::optional<std::filesystem::path> file;
    if (lookup_.findFile) file = lookup_.findFile(relative);
    std::string bytes;
    if (file) {
      handle = audio_.SampleLoad(*file, 0, 0, kSamplePlaybacks, kSampleOverridePosition);
    } else if (lookup_.readPackEntry && lookup_.readPackEntry(relative, bytes)) {
      handle = audio_.SampleLoad(std::string_view(bytes), 0, bytes.size(), kSamplePlaybacks,
                                 kSampleOverridePosition);
    }
  }
  samples_.push_back({name, handle});
  if (restartClock_) restartClock_();
  return handle;
}

uint32_t SoundSystem::LoadMusic(const std::string& name) {
  for (const auto& r : music_) {
    if (r.name == name) return r.stream;
  }
  uint32_t handle = 0;
  if (audio_.Initialized()) {
    const std::string relative = kSoundFolder + name;
    std::optional<std::filesystem::path> file;
    if (lookup_.findFile) file = lookup_.findFile(relative);
    auto bytes = std::make_shared<std::string>();
    if (file) {
      handle = audio_.StreamCreateFile(*file, 0, 0, kStreamLoop);
    } else if (lookup_.readPackEntry && lookup_.readPackEntry(relative, *bytes)) {
      // The stream shares the entry's bytes for as long as it lives.
      const uint64_t size = bytes->size();
      handle = audio_.StreamCreateFile(std::shared_ptr<const std::string>(std::move(bytes)), 0,
                                       size, kStreamLoop);
    }
  }
  music_.push_back({name, handle, 0.0, 0.0, 0.0});
  return handle;
}

SoundSystem::MusicRecord* SoundSystem::FindMusic(const std::string& name,
                                                 const std::string& alternative, bool loaded) {
  for (auto& r : music_) {
    if ((r.name == name || r.name == alternative) && (!loaded || r.stream != 0)) return &r;
  }
  return nullptr;
}

void SoundSystem::PlaySnd(std::string_view fileName, int volume) {
  if (fileName.empty()) return;
  const std::string name = platform::AsciiUpper(fileName);
  const std::string alternative = AlternativeSoundName(name);
  uint32_t sample = 0;
  for (const auto& r : samples_) {
    if (r.name == name || r.name == alternative) {
      sample = r.sample;
      break;
    }
  }
  if (sample == 0) sample = LoadSample(name);
  if (sample == 0) sample = LoadSample(alternative);
  if (sample == 0) return;
  const uint32_t channel = audio_.SampleGetChannel(sample, false);
  if (channel == 0) return;
  int frequency = 0, current = 0, pan = 0;
  if (!audio_.ChannelGetAttributes(channel, &frequency, &current, &pan)) return;
  // Integer arithmetic, truncating, as the settings scale has always worked.
  const int channelVolume =
      ClampToInt(static_cast<int64_t>(soundVolume_) * static_cast<int64_t>(volume) / 100);
  audio_.ChannelSetAttributes(channel, frequency, channelVolume, pan);
  audio_.ChannelPlay(channel, false);
}

void SoundSystem::PlayMuz(std::string_view fileName, int volume) {
  if (fileName.empty()) return;
  const std::string name = platform::AsciiUpper(fileName);
  const std::string alternative = AlternativeSoundName(name);
  const MusicRecord* known = FindMusic(name, alternative, false);
  if (!known || known->stream == 0) {
    if (LoadMusic(name) == 0) LoadMusic(alternative);
  }
  // The record that has a stream: when the name itself failed and its
  // alternative loaded, the failed record comes first and must not hide it.
  MusicRecord* record = FindMusic(name, alternative, true);
  if (!record) return;
  const double target = volume / 100.0;
  record->target = target;
  record->step = (target - record->level) / kFadeInSteps;
  if (audio_.ChannelIsActive(record->stream) != 1) {
    record->level = 0;
    record->step = target / kFadeInSteps;
    int frequency = 0, current = 0, pan = 0;
    if (audio_.ChannelGetAttributes(record->stream, &frequency, &current, &pan)) {
      audio_.ChannelSetAttributes(record->stream, frequency, 0, pan);
    }
    audio_.ChannelPlay(record->stream, true);
  }
}

void SoundSystem::StopMuz() {
  for (auto& r : music_) {
    r.target = 0;
    r.step = r.level / -kFadeOutSteps;
  }
}

void SoundSystem::FadeStep() {
  for (auto& r : music_) {
    if (r.stream == 0 || audio_.ChannelIsActive(r.stream) != 1) continue;
    r.level += r.step;
    const double slack = std::fabs(r.step) * kFadeSlack;
    if (r.step > 0 && r.level >= r.target - slack) {
      r.step = 0;
      r.level = r.target;
    } else if (r.step < 0 && r.level <= r.target + slack) {
      r.step = 0;
      r.level = r.target;
      if (r.target == 0) audio_.ChannelStop(r.stream);
    }
    ApplyMusicVolume(r);
  }
}

void SoundSystem::ApplyMusicVolume(MusicRecord& record) {
  int frequency = 0, current = 0, pan = 0;
  if (!audio_.ChannelGetAttributes(record.stream, &frequency, &current, &pan)) return;
  const double scaled = musicVolume_ * record.level;
  int volume = 0;
  if (auto rounded = platform::RoundHalfEvenI64(scaled)) {
    volume = ClampToInt(*rounded);
  } else if (scaled > 0) {
    volume = INT32_MAX;
  }
  audio_.ChannelSetAttributes(record.stream, frequency, volume, pan);
}

void SoundSystem::SetVolumes(int soundVolume, int musicVolume) {
  soundVolume_ = soundVolume;
  musicVolume_ = musicVolume;
}

void SoundSystem::SetMusicVolume(int volume) {
  musicVolume_ = volume;
  // At the level the piece is at, so that a fading piece does not jump.
  for (auto& r : music_) {
    if (r.stream != 0 && audio_.ChannelIsActive(r.stream) == 1) {
      ApplyMusicVolume(r);
      return;
    }
  }
}

void SoundSystem::Pause() { audio_.Pause(); }
void SoundSystem::Resume() { audio_.Start(); }

}  // namespace resources
