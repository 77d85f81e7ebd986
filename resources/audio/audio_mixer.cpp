#include "resources/audio/audio_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace resources {
namespace {

constexpr uint32_t kKindMask = 0xF0000000u;
constexpr uint32_t kSampleKind = 0x10000000u;
constexpr uint32_t kChannelKind = 0x20000000u;
constexpr uint32_t kIndexMask = 0x0FFFFFFFu;
constexpr uint32_t kMaxPlaybacks = 65535;
// Frames decoded from a stream per read while mixing.
constexpr uint32_t kStreamChunk = 1024;

uint32_t IndexOf(uint32_t handle, uint32_t kind) {
  if ((handle & kKindMask) != kind || (handle & kIndexMask) == 0) return UINT32_MAX;
  return (handle & kIndexMask) - 1;
}

}  // namespace

struct AudioMixer::Sample {
  std::shared_ptr<const PcmBuffer> pcm;
  uint32_t maxPlaybacks = 1;
  uint32_t flags = 0;
  std::vector<uint32_t> playbacks;  // channel indexes, created on demand
};

struct AudioMixer::Channel {
  // Sample playback: pcm and position; stream: stream and loop.
  std::shared_ptr<const PcmBuffer> pcm;
  size_t position = 0;
  std::unique_ptr<PcmStream> stream;
  bool loop = false;
  bool atEnd = false;  // a stream that ran out; the next play starts it over
  bool playing = false;
  ChannelAttributes attributes;
};

AudioMixer::AudioMixer() = default;
AudioMixer::~AudioMixer() = default;

uint32_t AudioMixer::AddSample(std::shared_ptr<const PcmBuffer> pcm, uint32_t maxPlaybacks,
                               uint32_t flags) {
  if (!pcm || samples_.size() >= kIndexMask - 1) return 0;
  Sample s;
  s.pcm = std::move(pcm);
  s.maxPlaybacks = std::clamp<uint32_t>(maxPlaybacks, 1, kMaxPlaybacks);
  s.flags = flags;
  samples_.push_back(std::move(s));
  return kSampleKind | static_cast<uint32_t>(samples_.size());
}

uint32_t AudioMixer::SampleGetChannel(uint32_t sample, bool onlyNew) {
  const uint32_t si = IndexOf(sample, kSampleKind);
  if (si >= samples_.size()) return 0;
  Sample& s = samples_[si];
  uint32_t chosen = UINT32_MAX;
  if (!onlyNew) {
    for (uint32_t ci : s.playbacks) {
      if (!channels_[ci]->playing) {
        chosen = ci;
        break;
      }
    }
  }
  if (chosen == UINT32_MAX && s.playbacks.size() < s.maxPlaybacks &&
      channels_.size() < kIndexMask - 1) {
    chosen = static_cast<uint32_t>(channels_.size());
    channels_.push_back(std::make_unique<Channel>());
    s.playbacks.push_back(chosen);
  }
  if (chosen == UINT32_MAX && (s.flags & kSampleOverridePosition)) {
    // Longest-playing is the furthest position; the earlier playback wins a tie.
    size_t best = 0;
    for (uint32_t ci : s.playbacks) {
      const Channel& c = *channels_[ci];
      if (c.playing && (chosen == UINT32_MAX || c.position > best)) {
        chosen = ci;
        best = c.position;
      }
    }
  }
  if (chosen == UINT32_MAX) return 0;
  Channel& c = *channels_[chosen];
  c.pcm = s.pcm;
  c.position = 0;
  c.playing = false;
  c.attributes = ChannelAttributes{};
  c.attributes.frequency = s.pcm->sourceRate;
  return kChannelKind | (chosen + 1);
}

uint32_t AudioMixer::AddStream(std::unique_ptr<PcmStream> stream, bool loop) {
  if (!stream || channels_.size() >= kIndexMask - 1) return 0;
  auto c = std::make_unique<Channel>();
  c->attributes.frequency = stream->SourceRate();
  c->stream = std::move(stream);
  c->loop = loop;
  channels_.push_back(std::move(c));
  return kChannelKind | static_cast<uint32_t>(channels_.size());
}

AudioMixer::Channel* AudioMixer::FindChannel(uint32_t handle) {
  const uint32_t ci = IndexOf(handle, kChannelKind);
  return ci < channels_.size() ? channels_[ci].get() : nullptr;
}

const AudioMixer::Channel* AudioMixer::FindChannel(uint32_t handle) const {
  const uint32_t ci = IndexOf(handle, kChannelKind);
  return ci < channels_.size() ? channels_[ci].get() : nullptr;
}

bool AudioMixer::IsChannel(uint32_t handle) const { return FindChannel(handle) != nullptr; }

bool AudioMixer::IsSample(uint32_t handle) const {
  return IndexOf(handle, kSampleKind) < samples_.size();
}

bool AudioMixer::Play(uint32_t channel, bool restart) {
  Channel* c = FindChannel(channel);
  if (!c) return false;
  if (c->stream) {
    if (restart || c->atEnd) {
      if (!c->stream->Rewind()) return false;
      c->atEnd = false;
    }
  } else if (restart) {
    c->position = 0;
  }
  c->playing = true;
  return true;
}

bool AudioMixer::Stop(uint32_t channel) {
  Channel* c = FindChannel(channel);
  if (!c) return false;
  c->playing = false;
  return true;
}

int AudioMixer::IsActive(uint32_t channel) const {
  const Channel* c = FindChannel(channel);
  return c && c->playing ? 1 : 0;
}

bool AudioMixer::GetAttributes(uint32_t channel, ChannelAttributes& out) const {
  const Channel* c = FindChannel(channel);
  if (!c) return false;
  out = c->attributes;
  return true;
}

bool AudioMixer::SetAttributes(uint32_t channel, int frequency, int volume, int pan) {
  Channel* c = FindChannel(channel);
  if (!c) return false;
  if (frequency > 0) c->attributes.frequency = std::clamp(frequency, 100, 100000);
  if (volume != -1) c->attributes.volume = std::clamp(volume, 0, 100);
  if (pan != -101) c->attributes.pan = std::clamp(pan, -100, 100);
  return true;
}

void AudioMixer::MixChannel(Channel& c, float* out, uint32_t frames) {
  const float volume = static_cast<float>(c.attributes.volume) / 100.0f;
  const float pan = static_cast<float>(c.attributes.pan) / 100.0f;
  const float gainL = volume * (pan > 0 ? 1.0f - pan : 1.0f);
  const float gainR = volume * (pan < 0 ? 1.0f + pan : 1.0f);

  if (!c.stream) {
    const size_t total = c.pcm->Frames();
    const size_t n = std::min<size_t>(frames, total - std::min(c.position, total));
    const float* src = c.pcm->samples.data() + 2 * c.position;
    for (size_t i = 0; i < n; ++i) {
      out[2 * i] += src[2 * i] * gainL;
      out[2 * i + 1] += src[2 * i + 1] * gainR;
    }
    c.position += n;
    if (c.position >= total) {
      // Finished: stopped and back at the start, ready for a later play.
      c.playing = false;
      c.position = 0;
    }
    return;
  }

  scratch_.resize(2 * kStreamChunk);
  uint32_t done = 0;
  bool justRewound = false;
  while (done < frames) {
    const uint32_t want = std::min(kStreamChunk, frames - done);
    const size_t got = c.stream->Read(scratch_.data(), want);
    float* dst = out + 2 * done;
    for (size_t i = 0; i < got; ++i) {
      dst[2 * i] += scratch_[2 * i] * gainL;
      dst[2 * i + 1] += scratch_[2 * i + 1] * gainR;
    }
    done += static_cast<uint32_t>(got);
    if (got > 0) justRewound = false;
    if (got == want) continue;
    // The end of the sound. A loop starts over unless the sound gave nothing
    // right after starting over (empty or broken): that would spin forever.
    if (!c.loop || justRewound || !c.stream->Rewind()) {
      c.playing = false;
      c.atEnd = true;
      return;
    }
    justRewound = true;
  }
}

void AudioMixer::MixFloat(float* out, uint32_t frames) {
  std::fill(out, out + 2 * static_cast<size_t>(frames), 0.0f);
  if (paused_) return;
  for (auto& c : channels_) {
    if (c->playing) MixChannel(*c, out, frames);
  }
}

void AudioMixer::MixS16(int16_t* out, uint32_t frames) {
  mixBuffer_.resize(2 * static_cast<size_t>(frames));
  MixFloat(mixBuffer_.data(), frames);
  for (size_t i = 0; i < mixBuffer_.size(); ++i) {
    // Full scale is 32768 so that 16-bit sources come back bit for bit.
    const float v = std::clamp(mixBuffer_[i] * 32768.0f, -32768.0f, 32767.0f);
    out[i] = static_cast<int16_t>(std::lrintf(v));
  }
}

}  // namespace resources
