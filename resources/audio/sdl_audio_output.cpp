// The real device: SDL's default audio output. SDL calls the callback on its
// own audio thread; the callback only mixes (under the library's lock, taken
// by the mix function) and never reaches game code.

#include <SDL.h>

#include "resources/audio/audio_output.h"
#include "resources/audio/pcm.h"

namespace resources {
namespace {

class SdlAudioOutput final : public AudioOutput {
 public:
  ~SdlAudioOutput() override { Close(); }

  bool Open(MixFunction mix) override {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    subsystem_ = true;
    mix_ = std::move(mix);
    SDL_AudioSpec want{};
    want.freq = kMixRate;
    want.format = AUDIO_S16SYS;
    want.channels = kMixChannels;
    want.samples = 1024;
    want.callback = &SdlAudioOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
      Close();
      return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  void SetPaused(bool paused) override {
    if (device_ != 0) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
  }

  void Close() override {
    if (device_ != 0) {
      SDL_CloseAudioDevice(device_);  // waits for a running callback
      device_ = 0;
    }
    mix_ = nullptr;
    if (subsystem_) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      subsystem_ = false;
    }
  }

 private:
  static void SDLCALL Callback(void* self, Uint8* stream, int len) {
    auto* out = static_cast<SdlAudioOutput*>(self);
    const uint32_t frames = static_cast<uint32_t>(len) / (kMixChannels * sizeof(int16_t));
    out->mix_(reinterpret_cast<int16_t*>(stream), frames);
  }

  SDL_AudioDeviceID device_ = 0;
  bool subsystem_ = false;
  MixFunction mix_;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeSdlAudioOutput() { return std::make_unique<SdlAudioOutput>(); }

}  // namespace resources
