#include "resources/audio/audio_output.h"

#include <vector>

#include "resources/audio/pcm.h"
#include "resources/audio/wav_writer.h"

namespace resources {
namespace {

class NullAudioOutput final : public AudioOutput {
 public:
  bool Open(MixFunction) override { return false; }
  void SetPaused(bool) override {}
  void Close() override {}
};

// Headless output: audio exists only as far as the virtual clock has advanced,
// so a run writes the same file however fast the machine is.
class WavFileOutput final : public AudioOutput {
 public:
  explicit WavFileOutput(std::filesystem::path file) : file_(std::move(file)) {}
  ~WavFileOutput() override { Close(); }

  bool Open(MixFunction mix) override {
    if (!writer_.Open(file_, kMixRate, kMixChannels)) return false;
    mix_ = std::move(mix);
    paused_ = false;
    return true;
  }
  void SetPaused(bool paused) override { paused_ = paused; }
  void AdvanceVirtualClock(uint32_t frames) override {
    if (paused_ || !mix_ || !writer_.IsOpen()) return;
    buffer_.resize(static_cast<size_t>(frames) * kMixChannels);
    mix_(buffer_.data(), frames);
    writer_.Append(buffer_.data(), frames);
  }
  void Close() override {
    writer_.Close();
    mix_ = nullptr;
  }

 private:
  std::filesystem::path file_;
  WavWriter writer_;
  MixFunction mix_;
  std::vector<int16_t> buffer_;
  bool paused_ = false;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeWavFileOutput(const std::filesystem::path& file) {
  return std::make_unique<WavFileOutput>(file);
}

std::unique_ptr<AudioOutput> MakeNullAudioOutput() { return std::make_unique<NullAudioOutput>(); }

}  // namespace resources
