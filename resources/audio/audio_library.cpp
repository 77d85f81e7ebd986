#include "resources/audio/audio_library.h"

namespace resources {
namespace {

int ErrorCodeOf(SoundLoadError e) {
  switch (e) {
    case SoundLoadError::None: return kAudioOk;
    case SoundLoadError::FileOpen: return kAudioErrorFileOpen;
    case SoundLoadError::BadRange: return kAudioErrorIllegalParam;
    case SoundLoadError::Format: return kAudioErrorFileForm;
    case SoundLoadError::Empty: return kAudioErrorEmpty;
  }
  return kAudioErrorFileForm;
}

}  // namespace

AudioLibrary::AudioLibrary(std::unique_ptr<AudioOutput> output) : output_(std::move(output)) {}

AudioLibrary::~AudioLibrary() {
  // The device thread must be gone before the mixer it reads from.
  if (output_) output_->Close();
}

bool AudioLibrary::Init(int device, uint32_t /*freq*/, uint32_t /*flags*/, void* /*window*/) {
  if (initialized_) return Fail(kAudioErrorAlready);
  if (device != kDefaultDevice && device != 1) return Fail(kAudioErrorDevice);
  if (!output_) return Fail(kAudioErrorDriver);
  if (!output_->Open([this](int16_t* out, uint32_t frames) { MixS16(out, frames); })) {
    return Fail(kAudioErrorDriver);
  }
  initialized_ = true;
  error_ = kAudioOk;
  return true;
}

bool AudioLibrary::Start() {
  if (!initialized_) return Fail(kAudioErrorInit);
  {
    std::lock_guard<std::mutex> guard(lock_);
    mixer_.SetPaused(false);
  }
  output_->SetPaused(false);  // outside the lock: see audio_output.h
  error_ = kAudioOk;
  return true;
}

bool AudioLibrary::Pause() {
  if (!initialized_) return Fail(kAudioErrorInit);
  output_->SetPaused(true);
  {
    std::lock_guard<std::mutex> guard(lock_);
    mixer_.SetPaused(true);
  }
  error_ = kAudioOk;
  return true;
}

uint32_t AudioLibrary::AddSample(std::shared_ptr<PcmBuffer> pcm, SoundLoadError error,
                                 uint32_t maxPlaybacks, uint32_t flags) {
  if (error != SoundLoadError::None) {
    error_ = ErrorCodeOf(error);
    return 0;
  }
  uint32_t handle;
  {
    std::lock_guard<std::mutex> guard(lock_);
    handle = mixer_.AddSample(std::move(pcm), maxPlaybacks, flags);
  }
  error_ = handle ? kAudioOk : kAudioErrorMemory;
  return handle;
}

uint32_t AudioLibrary::SampleLoad(const std::filesystem::path& file, uint64_t offset,
                                  uint64_t length, uint32_t maxPlaybacks, uint32_t flags) {
  if (!initialized_) return FailHandle(kAudioErrorInit);
  auto pcm = std::make_shared<PcmBuffer>();
  SoundLoadError e = DecodeSampleFile(file, offset, length, *pcm);
  return AddSample(std::move(pcm), e, maxPlaybacks, flags);
}

uint32_t AudioLibrary::SampleLoad(std::string_view memory, uint64_t offset, uint64_t length,
                                  uint32_t maxPlaybacks, uint32_t flags) {
  if (!initialized_) return FailHandle(kAudioErrorInit);
  auto pcm = std::make_shared<PcmBuffer>();
  SoundLoadError e = DecodeSampleMemory(memory, offset, length, *pcm);
  return AddSample(std::move(pcm), e, maxPlaybacks, flags);
}

uint32_t AudioLibrary::SampleGetChannel(uint32_t sample, bool onlyNew) {
  if (!initialized_) return FailHandle(kAudioErrorInit);
  std::lock_guard<std::mutex> guard(lock_);
  if (!mixer_.IsSample(sample)) return FailHandle(kAudioErrorHandle);
  const uint32_t channel = mixer_.SampleGetChannel(sample, onlyNew);
  error_ = channel ? kAudioOk : kAudioErrorNoChannel;
  return channel;
}

uint32_t AudioLibrary::AddStream(std::unique_ptr<PcmStream> stream, SoundLoadError error,
                                 uint32_t flags) {
  if (!stream) {
    error_ = ErrorCodeOf(error == SoundLoadError::None ? SoundLoadError::Format : error);
    return 0;
  }
  uint32_t handle;
  {
    std::lock_guard<std::mutex> guard(lock_);
    handle = mixer_.AddStream(std::move(stream), (flags & kStreamLoop) != 0);
  }
  error_ = handle ? kAudioOk : kAudioErrorMemory;
  return handle;
}

uint32_t AudioLibrary::StreamCreateFile(const std::filesystem::path& file, uint64_t offset,
                                        uint64_t length, uint32_t flags) {
  if (!initialized_) return FailHandle(kAudioErrorInit);
  SoundLoadError e = SoundLoadError::None;
  auto stream = OpenStreamFile(file, offset, length, e);
  return AddStream(std::move(stream), e, flags);
}

uint32_t AudioLibrary::StreamCreateFile(std::shared_ptr<const std::string> memory,
                                        uint64_t offset, uint64_t length, uint32_t flags) {
  if (!initialized_) return FailHandle(kAudioErrorInit);
  SoundLoadError e = SoundLoadError::None;
  auto stream = OpenStreamMemory(std::move(memory), offset, length, e);
  return AddStream(std::move(stream), e, flags);
}

bool AudioLibrary::ChannelPlay(uint32_t channel, bool restart) {
  if (!initialized_) return Fail(kAudioErrorInit);
  std::lock_guard<std::mutex> guard(lock_);
  if (!mixer_.IsChannel(channel)) return Fail(kAudioErrorHandle);
  // A stream that cannot start over (its source broke) stays stopped.
  if (!mixer_.Play(channel, restart)) return Fail(kAudioErrorFileForm);
  error_ = kAudioOk;
  return true;
}

bool AudioLibrary::ChannelStop(uint32_t channel) {
  if (!initialized_) return Fail(kAudioErrorInit);
  std::lock_guard<std::mutex> guard(lock_);
  if (!mixer_.Stop(channel)) return Fail(kAudioErrorHandle);
  error_ = kAudioOk;
  return true;
}

int AudioLibrary::ChannelIsActive(uint32_t channel) {
  if (!initialized_) return 0;
  std::lock_guard<std::mutex> guard(lock_);
  return mixer_.IsActive(channel);
}

bool AudioLibrary::ChannelGetAttributes(uint32_t channel, int* frequency, int* volume, int* pan) {
  if (!initialized_) return Fail(kAudioErrorInit);
  ChannelAttributes a;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!mixer_.GetAttributes(channel, a)) return Fail(kAudioErrorHandle);
  }
  if (frequency) *frequency = a.frequency;
  if (volume) *volume = a.volume;
  if (pan) *pan = a.pan;
  error_ = kAudioOk;
  return true;
}

bool AudioLibrary::ChannelSetAttributes(uint32_t channel, int frequency, int volume, int pan) {
  if (!initialized_) return Fail(kAudioErrorInit);
  std::lock_guard<std::mutex> guard(lock_);
  if (!mixer_.SetAttributes(channel, frequency, volume, pan)) return Fail(kAudioErrorHandle);
  error_ = kAudioOk;
  return true;
}

void AudioLibrary::AdvanceVirtualClock(uint32_t frames) {
  if (initialized_) output_->AdvanceVirtualClock(frames);
}

uint64_t AudioLibrary::MixedFrames() {
  std::lock_guard<std::mutex> guard(lock_);
  return mixedFrames_;
}

void AudioLibrary::MixS16(int16_t* out, uint32_t frames) {
  std::lock_guard<std::mutex> guard(lock_);
  mixer_.MixS16(out, frames);
  if (!mixer_.Paused()) mixedFrames_ += frames;
}

}  // namespace resources
