// The audio library calls over a WAV-file output (virtual clock), no device at
// all, and SDL's dummy audio driver (the real device path).

#include "resources/audio/audio_library.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <unistd.h>

#include "platform/byte_reader.h"
#include "support/test_support.h"

namespace {

using namespace resources;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::Sox;
using testing_support::SoxDecode16;
using testing_support::TempDir;

// Reads a 16-bit PCM WAV file written by the output, checking every header field.
std::vector<int16_t> ReadWav16(const std::filesystem::path& file) {
  std::string bytes = ReadFile(file);
  platform::ByteReader r(bytes.data(), bytes.size());
  std::string tag(4, ' ');
  uint32_t riffSize = 0, fmtSize = 0, rate = 0, byteRate = 0, dataSize = 0;
  uint16_t format = 0, channels = 0, align = 0, bits = 0;
  EXPECT_TRUE(r.ReadRaw(tag.data(), 4));
  EXPECT_EQ(tag, "RIFF");
  r.ReadU32LE(riffSize);
  EXPECT_EQ(riffSize, bytes.size() - 8);
  r.ReadRaw(tag.data(), 4);
  EXPECT_EQ(tag, "WAVE");
  r.ReadRaw(tag.data(), 4);
  EXPECT_EQ(tag, "fmt ");
  r.ReadU32LE(fmtSize);
  EXPECT_EQ(fmtSize, 16u);
  r.ReadU16LE(format);
  r.ReadU16LE(channels);
  r.ReadU32LE(rate);
  r.ReadU32LE(byteRate);
  r.ReadU16LE(align);
  r.ReadU16LE(bits);
  EXPECT_EQ(format, 1);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(rate, 44100u);
  EXPECT_EQ(byteRate, 44100u * 4);
  EXPECT_EQ(align, 4);
  EXPECT_EQ(bits, 16);
  r.ReadRaw(tag.data(), 4);
  EXPECT_EQ(tag, "data");
  r.ReadU32LE(dataSize);
  EXPECT_EQ(dataSize, r.Remaining());
  std::vector<int16_t> v(r.Remaining() / 2);
  std::memcpy(v.data(), bytes.data() + r.Position(), v.size() * 2);
  return v;
}

class AudioLibraryTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::filesystem::path Path(const std::string& name) { return dir_ / name; }
  std::filesystem::path MakeSound(const std::string& name, const std::string& seconds,
                                  const std::string& freq, const std::string& rate = "44100") {
    auto file = Path(name);
    EXPECT_TRUE(Sox({"-n", "-r", rate, "-c", "2", "-b", "16", file.string(), "synth", seconds,
                     "sine", freq, "vol", "0.5"}));
    return file;
  }
};

TEST_F(AudioLibraryTest, WithoutADeviceEveryCallFailsQuietly) {
  auto wav = MakeSound("a.wav", "0.05", "440");
  for (int variant = 0; variant < 2; ++variant) {
    AudioLibrary lib(variant == 0 ? nullptr : MakeNullAudioOutput());
    EXPECT_EQ(lib.GetVersion(), 0x20002u);
    EXPECT_FALSE(lib.Init(kDefaultDevice, 44100, 0, nullptr));
    EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorDriver);
    EXPECT_FALSE(lib.Initialized());
    EXPECT_EQ(lib.SampleLoad(wav, 0, 0, 3, kSampleOverridePosition), 0u);
    EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorInit);
    EXPECT_EQ(lib.StreamCreateFile(wav, 0, 0, kStreamLoop), 0u);
    EXPECT_EQ(lib.StreamCreateFile(std::make_shared<std::string>(ReadFile(wav)), 0, 0, 0), 0u);
    EXPECT_EQ(lib.SampleGetChannel(0x10000001u, false), 0u);
    EXPECT_FALSE(lib.ChannelPlay(0x20000001u, true));
    EXPECT_FALSE(lib.ChannelStop(0x20000001u));
    EXPECT_EQ(lib.ChannelIsActive(0x20000001u), 0);
    int v = -7;
    EXPECT_FALSE(lib.ChannelGetAttributes(0x20000001u, nullptr, &v, nullptr));
    EXPECT_EQ(v, -7);
    EXPECT_FALSE(lib.ChannelSetAttributes(0x20000001u, -1, 50, -101));
    EXPECT_FALSE(lib.Pause());
    EXPECT_FALSE(lib.Start());
    lib.AdvanceVirtualClock();
    EXPECT_EQ(lib.MixedFrames(), 0u);
  }
}

TEST_F(AudioLibraryTest, InitOnceOnTheDefaultDevice) {
  AudioLibrary lib(MakeWavFileOutput(Path("out.wav")));
  EXPECT_FALSE(lib.Init(5, 44100, 0, nullptr));
  EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorDevice);
  EXPECT_TRUE(lib.Init(kDefaultDevice, 44100, 0, nullptr));
  EXPECT_EQ(lib.ErrorGetCode(), kAudioOk);
  EXPECT_FALSE(lib.Init(kDefaultDevice, 44100, 0, nullptr));
  EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorAlready);
  EXPECT_TRUE(lib.Initialized());
}

TEST_F(AudioLibraryTest, FailuresReportTheirErrorCodes) {
  AudioLibrary lib(MakeWavFileOutput(Path("out.wav")));
  ASSERT_TRUE(lib.Init(kDefaultDevice, 44100, 0, nullptr));
  EXPECT_EQ(lib.SampleLoad(Path("missing.wav"), 0, 0, 3, 0), 0u);
  EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorFileOpen);
  std::string junk(3000, '\x5A');
  EXPECT_EQ(lib.SampleLoad(std::string_view(junk), 0, junk.size(), 3, 0), 0u);
  EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorFileForm);
  EXPECT_EQ(lib.StreamCreateFile(std::make_shared<std::string>(junk), 0, 0, kStreamLoop), 0u);
  EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorFileForm);
  EXPECT_EQ(lib.SampleLoad(std::string_view(junk), junk.size() + 1, 0, 3, 0), 0u);
  EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorIllegalParam);
  EXPECT_FALSE(lib.ChannelPlay(0x20000009u, false));
  EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorHandle);
  EXPECT_EQ(lib.SampleGetChannel(0x20000001u, false), 0u);
  EXPECT_EQ(lib.ErrorGetCode(), kAudioErrorHandle);

  auto wav = MakeSound("a.wav", "0.05", "440", "22050");
  uint32_t s = lib.SampleLoad(wav, 0, 0, 3, 0);
  ASSERT_NE(s, 0u);
  uint32_t ch = lib.SampleGetChannel(s, false);
  ASSERT_NE(ch, 0u);
  int freq = 0, vol = 0, pan = 1;
  ASSERT_TRUE(lib.ChannelGetAttributes(ch, &freq, &vol, &pan));
  EXPECT_EQ(freq, 22050);
  EXPECT_EQ(vol, 100);
  EXPECT_EQ(pan, 0);
  EXPECT_TRUE(lib.ChannelGetAttributes(ch, nullptr, nullptr, nullptr));
}

// Headless output: 1/30 s of audio per advance of the virtual clock, nothing
// while paused, and the file holds exactly what was played.
TEST_F(AudioLibraryTest, WavOutputFollowsTheVirtualClockAndMatchesTheSource) {
  auto wav = MakeSound("a.wav", "0.2", "440");  // 8820 frames
  auto src = SoxDecode16(wav, Path("a.raw"));
  ASSERT_EQ(src.size(), 2u * 8820);
  auto out = Path("out.wav");
  {
    AudioLibrary lib(MakeWavFileOutput(out));
    ASSERT_TRUE(lib.Init(kDefaultDevice, 44100, 0, nullptr));
    uint32_t s = lib.SampleLoad(wav, 0, 0, 3, kSampleOverridePosition);
    ASSERT_NE(s, 0u);
    uint32_t ch = lib.SampleGetChannel(s, false);
    ASSERT_TRUE(lib.ChannelPlay(ch, false));
    for (int i = 0; i < 4; ++i) lib.AdvanceVirtualClock();
    ASSERT_TRUE(lib.Pause());
    for (int i = 0; i < 5; ++i) lib.AdvanceVirtualClock();
    EXPECT_EQ(lib.ChannelIsActive(ch), 1);
    ASSERT_TRUE(lib.Start());
    for (int i = 0; i < 4; ++i) lib.AdvanceVirtualClock();
    EXPECT_EQ(lib.ChannelIsActive(ch), 0);
    EXPECT_EQ(lib.MixedFrames(), 8u * kFramesPerStep);
  }
  auto mixed = ReadWav16(out);
  ASSERT_EQ(mixed.size(), 2u * 8 * kFramesPerStep);
  for (size_t i = 0; i < src.size(); ++i) ASSERT_EQ(mixed[i], src[i]) << i;
  for (size_t i = src.size(); i < mixed.size(); ++i) ASSERT_EQ(mixed[i], 0) << i;
  // sox agrees on what the file is.
  auto info = RunCommand({testing_support::FindProgram("sox"), "--i", "-s", out.string()});
  EXPECT_EQ(info.status, 0);
  EXPECT_EQ(std::stoul(info.out), 8 * kFramesPerStep);
}

// A looping stream from memory keeps its block alive and repeats seamlessly;
// volume and stop act on it.
TEST_F(AudioLibraryTest, LoopingMemoryStreamRepeatsTheSource) {
  auto wav = MakeSound("loop.wav", "0.05", "300");  // 2205 frames
  auto src = SoxDecode16(wav, Path("loop.raw"));
  ASSERT_EQ(src.size(), 2u * 2205);
  auto out = Path("out.wav");
  {
    AudioLibrary lib(MakeWavFileOutput(out));
    ASSERT_TRUE(lib.Init(kDefaultDevice, 44100, 0, nullptr));
    uint32_t st;
    {
      auto block = std::make_shared<std::string>(ReadFile(wav));
      st = lib.StreamCreateFile(block, 0, block->size(), kStreamLoop);
    }
    ASSERT_NE(st, 0u);
    EXPECT_EQ(lib.ChannelIsActive(st), 0);
    ASSERT_TRUE(lib.ChannelPlay(st, true));
    for (int i = 0; i < 3; ++i) lib.AdvanceVirtualClock();  // 4410 frames: two passes
    ASSERT_TRUE(lib.ChannelSetAttributes(st, -1, 50, -101));
    lib.AdvanceVirtualClock();
    ASSERT_TRUE(lib.ChannelStop(st));
    lib.AdvanceVirtualClock();
    EXPECT_EQ(lib.ChannelIsActive(st), 0);
  }
  auto mixed = ReadWav16(out);
  ASSERT_EQ(mixed.size(), 2u * 5 * kFramesPerStep);
  for (size_t i = 0; i < 2 * 4410; ++i) ASSERT_EQ(mixed[i], src[i % src.size()]) << i;
  for (size_t i = 2 * 4410; i < 2 * 5880; ++i) {
    ASSERT_NEAR(mixed[i], src[i % src.size()] / 2.0, 0.5) << i;
  }
  for (size_t i = 2 * 5880; i < mixed.size(); ++i) ASSERT_EQ(mixed[i], 0);
}

// The real device path through SDL's dummy driver: its thread pulls from the
// mixer until the sound has played; a paused library mixes nothing.
TEST_F(AudioLibraryTest, SdlDummyDevicePlaysThroughTheCallback) {
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
  auto wav = MakeSound("a.wav", "0.1", "440");
  AudioLibrary lib(MakeSdlAudioOutput());
  ASSERT_TRUE(lib.Init(kDefaultDevice, 44100, 0, nullptr));
  uint32_t s = lib.SampleLoad(wav, 0, 0, 3, kSampleOverridePosition);
  ASSERT_NE(s, 0u);
  uint32_t ch = lib.SampleGetChannel(s, false);
  ASSERT_TRUE(lib.ChannelPlay(ch, false));
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (lib.ChannelIsActive(ch) == 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(lib.ChannelIsActive(ch), 0);
  EXPECT_GE(lib.MixedFrames(), 4410u);

  ASSERT_TRUE(lib.Pause());
  const uint64_t atPause = lib.MixedFrames();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(lib.MixedFrames(), atPause);
  ASSERT_TRUE(lib.Start());
  while (lib.MixedFrames() == atPause && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_GT(lib.MixedFrames(), atPause);
}

}  // namespace
