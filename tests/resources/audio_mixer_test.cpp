#include "resources/audio/audio_mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "resources/audio/resampler.h"

namespace {

using resources::AudioMixer;
using resources::ChannelAttributes;
using resources::LinearResampler;
using resources::PcmBuffer;
using resources::PcmStream;

// A sample whose frame i holds (i + 1) / 1024 on the left and its negative on
// the right, so the output tells which frame of which playback is sounding.
std::shared_ptr<PcmBuffer> Ramp(size_t frames, float scale = 1.0f) {
  auto pcm = std::make_shared<PcmBuffer>();
  for (size_t i = 0; i < frames; ++i) {
    const float v = scale * static_cast<float>(i + 1) / 1024.0f;
    pcm->samples.push_back(v);
    pcm->samples.push_back(-v);
  }
  return pcm;
}

std::shared_ptr<PcmBuffer> Constant(size_t frames, float left, float right) {
  auto pcm = std::make_shared<PcmBuffer>();
  for (size_t i = 0; i < frames; ++i) {
    pcm->samples.push_back(left);
    pcm->samples.push_back(right);
  }
  return pcm;
}

// A stream over fixed frames, counting rewinds; can be made to fail rewinding.
class FakeStream : public PcmStream {
 public:
  explicit FakeStream(std::vector<float> frames, bool canRewind = true)
      : frames_(std::move(frames)), canRewind_(canRewind) {}
  size_t Read(float* out, size_t frames) override {
    size_t n = std::min(frames, frames_.size() / 2 - pos_);
    std::copy(frames_.begin() + 2 * pos_, frames_.begin() + 2 * (pos_ + n), out);
    pos_ += n;
    return n;
  }
  bool Rewind() override {
    ++*rewinds_;
    pos_ = 0;
    return canRewind_;
  }
  int SourceRate() const override { return 22050; }
  std::shared_ptr<int> rewinds_ = std::make_shared<int>(0);

 private:
  std::vector<float> frames_;
  bool canRewind_;
  size_t pos_ = 0;
};

std::vector<float> Frames(std::initializer_list<float> left) {
  std::vector<float> v;
  for (float l : left) {
    v.push_back(l);
    v.push_back(-l);
  }
  return v;
}

std::vector<float> MixLeft(AudioMixer& m, uint32_t frames) {
  std::vector<float> out(2 * frames);
  m.MixFloat(out.data(), frames);
  std::vector<float> left(frames);
  for (uint32_t i = 0; i < frames; ++i) left[i] = out[2 * i];
  return left;
}

// Volume is linear on 0..100 and pan takes away from the opposite side; the
// 16-bit output uses full scale 32768 so 16-bit sources come back unchanged.
TEST(AudioMixer, VolumePanAndSixteenBitScaling) {
  AudioMixer m;
  uint32_t s = m.AddSample(Constant(8, 0.5f, 0.5f), 1, 0);
  uint32_t ch = m.SampleGetChannel(s, false);
  ASSERT_NE(ch, 0u);
  ASSERT_TRUE(m.Play(ch, false));
  int16_t out[4];
  m.MixS16(out, 2);
  EXPECT_EQ(out[0], 16384);
  EXPECT_EQ(out[1], 16384);

  ASSERT_TRUE(m.SetAttributes(ch, -1, 50, -101));
  m.MixS16(out, 2);
  EXPECT_EQ(out[0], 8192);
  EXPECT_EQ(out[1], 8192);

  ASSERT_TRUE(m.SetAttributes(ch, -1, -1, 100));  // hard right
  m.MixS16(out, 2);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 8192);

  ASSERT_TRUE(m.SetAttributes(ch, -1, 0, -101));
  m.MixS16(out, 2);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0);
}

TEST(AudioMixer, OutOfRangeAttributesAreClampedAndMinusOneKeeps) {
  AudioMixer m;
  auto pcm = Constant(4, 0, 0);
  pcm->sourceRate = 22050;
  uint32_t ch = m.SampleGetChannel(m.AddSample(pcm, 1, 0), false);
  ChannelAttributes a;
  ASSERT_TRUE(m.GetAttributes(ch, a));
  EXPECT_EQ(a.frequency, 22050);  // the file's own rate
  EXPECT_EQ(a.volume, 100);
  EXPECT_EQ(a.pan, 0);
  m.SetAttributes(ch, -1, 150, -300);
  m.GetAttributes(ch, a);
  EXPECT_EQ(a.volume, 100);
  EXPECT_EQ(a.pan, -100);
  m.SetAttributes(ch, -1, -5, -101);
  m.GetAttributes(ch, a);
  EXPECT_EQ(a.volume, 0);
  EXPECT_EQ(a.pan, -100);
  EXPECT_EQ(a.frequency, 22050);
}

TEST(AudioMixer, SumsAreClippedToSixteenBits) {
  AudioMixer m;
  uint32_t hi = m.AddSample(Constant(4, 0.75f, -0.75f), 2, 0);
  m.Play(m.SampleGetChannel(hi, false), false);
  m.Play(m.SampleGetChannel(hi, false), false);
  int16_t out[2];
  m.MixS16(out, 1);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], -32768);
}

// At most maxPlaybacks at once; a stopped playback is reused first; with all
// busy, the one that has played longest is taken over (only with the flag).
TEST(AudioMixer, ThreePlaybacksAndOverrideOfTheLongestPlaying) {
  AudioMixer m;
  uint32_t s = m.AddSample(Ramp(1000), 3, resources::kSampleOverridePosition);
  uint32_t a = m.SampleGetChannel(s, false);
  m.Play(a, false);
  MixLeft(m, 10);
  uint32_t b = m.SampleGetChannel(s, false);
  m.Play(b, false);
  MixLeft(m, 10);
  uint32_t c = m.SampleGetChannel(s, false);
  m.Play(c, false);
  MixLeft(m, 10);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_NE(a, c);

  // The fourth playback replaces `a`, which started first; it waits stopped at the start.
  uint32_t d = m.SampleGetChannel(s, false);
  EXPECT_EQ(d, a);
  EXPECT_EQ(m.IsActive(a), 0);
  EXPECT_EQ(m.IsActive(b), 1);
  EXPECT_EQ(m.IsActive(c), 1);
  m.Play(d, false);
  // Positions now: d 0, b 20, c 10 -> frames 1, 21, 11 sound together.
  auto left = MixLeft(m, 1);
  EXPECT_FLOAT_EQ(left[0], (1 + 21 + 11) / 1024.0f);

  // A stopped playback is handed out again before anything is overridden.
  m.Stop(c);
  EXPECT_EQ(m.SampleGetChannel(s, false), c);
  // ... unless only a new one is wanted: then the longest-playing (b) goes.
  m.Play(c, false);
  m.Stop(c);
  EXPECT_EQ(m.SampleGetChannel(s, true), b);
}

TEST(AudioMixer, WithoutOverrideFlagABusySampleGivesNoChannel) {
  AudioMixer m;
  uint32_t s = m.AddSample(Ramp(100), 2, 0);
  m.Play(m.SampleGetChannel(s, false), false);
  m.Play(m.SampleGetChannel(s, false), false);
  EXPECT_EQ(m.SampleGetChannel(s, false), 0u);
}

TEST(AudioMixer, SamplePlaybackEndsAndStartsOverOnTheNextPlay) {
  AudioMixer m;
  uint32_t ch = m.SampleGetChannel(m.AddSample(Ramp(3), 1, 0), false);
  m.Play(ch, false);
  auto left = MixLeft(m, 5);
  EXPECT_FLOAT_EQ(left[0], 1 / 1024.0f);
  EXPECT_FLOAT_EQ(left[2], 3 / 1024.0f);
  EXPECT_EQ(left[3], 0.0f);
  EXPECT_EQ(left[4], 0.0f);
  EXPECT_EQ(m.IsActive(ch), 0);
  m.Play(ch, false);
  EXPECT_FLOAT_EQ(MixLeft(m, 1)[0], 1 / 1024.0f);
}

TEST(AudioMixer, StopKeepsThePositionAndRestartGoesBackToTheStart) {
  AudioMixer m;
  uint32_t ch = m.SampleGetChannel(m.AddSample(Ramp(100), 1, 0), false);
  m.Play(ch, false);
  MixLeft(m, 4);
  m.Stop(ch);
  EXPECT_EQ(MixLeft(m, 1)[0], 0.0f);
  m.Play(ch, false);
  EXPECT_FLOAT_EQ(MixLeft(m, 1)[0], 5 / 1024.0f);
  m.Play(ch, true);
  EXPECT_FLOAT_EQ(MixLeft(m, 1)[0], 1 / 1024.0f);
}

TEST(AudioMixer, LoopingStreamRepeatsAcrossMixCalls) {
  AudioMixer m;
  auto stream = std::make_unique<FakeStream>(Frames({1, 2, 3, 4, 5}));
  uint32_t ch = m.AddStream(std::move(stream), true);
  ASSERT_NE(ch, 0u);
  m.Play(ch, true);
  auto a = MixLeft(m, 7);
  auto b = MixLeft(m, 5);
  EXPECT_EQ(a, (std::vector<float>{1, 2, 3, 4, 5, 1, 2}));
  EXPECT_EQ(b, (std::vector<float>{3, 4, 5, 1, 2}));
  EXPECT_EQ(m.IsActive(ch), 1);
}

TEST(AudioMixer, OneShotStreamStopsAndStartsOverWhenPlayedAgain) {
  AudioMixer m;
  uint32_t ch = m.AddStream(std::make_unique<FakeStream>(Frames({1, 2, 3})), false);
  m.Play(ch, false);
  EXPECT_EQ(MixLeft(m, 5), (std::vector<float>{1, 2, 3, 0, 0}));
  EXPECT_EQ(m.IsActive(ch), 0);
  m.Play(ch, false);
  EXPECT_EQ(MixLeft(m, 2), (std::vector<float>{1, 2}));
}

TEST(AudioMixer, StreamRestartRewindsTheSource) {
  AudioMixer m;
  auto stream = std::make_unique<FakeStream>(Frames({1, 2, 3, 4, 5, 6}));
  auto rewinds = stream->rewinds_;
  uint32_t ch = m.AddStream(std::move(stream), true);
  m.Play(ch, true);
  EXPECT_EQ(MixLeft(m, 3), (std::vector<float>{1, 2, 3}));
  m.Play(ch, true);
  EXPECT_EQ(MixLeft(m, 2), (std::vector<float>{1, 2}));
  m.Stop(ch);
  m.Play(ch, false);  // continues
  EXPECT_EQ(MixLeft(m, 2), (std::vector<float>{3, 4}));
  EXPECT_EQ(*rewinds, 2);
}

// A looping stream that gives nothing (empty or broken) must stop, not spin.
TEST(AudioMixer, EmptyOrUnrewindableLoopingStreamStops) {
  AudioMixer m;
  uint32_t empty = m.AddStream(std::make_unique<FakeStream>(std::vector<float>{}), true);
  m.Play(empty, true);
  EXPECT_EQ(MixLeft(m, 4), (std::vector<float>(4, 0.0f)));
  EXPECT_EQ(m.IsActive(empty), 0);

  uint32_t broken = m.AddStream(std::make_unique<FakeStream>(Frames({7, 8}), false), true);
  m.Play(broken, false);
  EXPECT_EQ(MixLeft(m, 4), (std::vector<float>{7, 8, 0, 0}));
  EXPECT_EQ(m.IsActive(broken), 0);
  EXPECT_FALSE(m.Play(broken, true));  // cannot start over
}

TEST(AudioMixer, PauseGivesSilenceAndHoldsEveryPosition) {
  AudioMixer m;
  uint32_t s = m.SampleGetChannel(m.AddSample(Ramp(100), 1, 0), false);
  uint32_t st = m.AddStream(std::make_unique<FakeStream>(Frames({10, 20, 30, 40})), true);
  m.Play(s, false);
  m.Play(st, true);
  auto first = MixLeft(m, 1);
  EXPECT_FLOAT_EQ(first[0], 10 + 1 / 1024.0f);
  m.SetPaused(true);
  EXPECT_EQ(MixLeft(m, 3), (std::vector<float>(3, 0.0f)));
  EXPECT_EQ(m.IsActive(s), 1);
  m.SetPaused(false);
  EXPECT_FLOAT_EQ(MixLeft(m, 1)[0], 20 + 2 / 1024.0f);
}

TEST(AudioMixer, ForeignAndStaleHandlesAreRefused) {
  AudioMixer m;
  uint32_t s = m.AddSample(Ramp(4), 1, 0);
  uint32_t ch = m.SampleGetChannel(s, false);
  EXPECT_FALSE(m.Play(0, false));
  EXPECT_FALSE(m.Play(s, false));  // a sample is not a channel
  EXPECT_EQ(m.SampleGetChannel(ch, false), 0u);
  EXPECT_FALSE(m.Play(ch + 1, false));
  EXPECT_FALSE(m.Stop(0xFFFFFFFFu));
  EXPECT_EQ(m.IsActive(12345), 0);
  ChannelAttributes a;
  EXPECT_FALSE(m.GetAttributes(s, a));
  EXPECT_FALSE(m.SetAttributes(0x2FFFFFFFu, -1, 50, -101));
  EXPECT_EQ(m.AddSample(nullptr, 3, 0), 0u);
  EXPECT_EQ(m.AddStream(nullptr, true), 0u);
}

// Linear resampling: n input frames give ceil(n * out / in) output frames,
// equal rates pass through, and chunking does not change the result.
TEST(LinearResampler, LengthInterpolationAndChunking) {
  std::vector<float> in;
  for (int i = 0; i < 9; ++i) {
    in.push_back(static_cast<float>(i));
    in.push_back(static_cast<float>(-i));
  }
  {
    LinearResampler r(22050, 44100);
    std::vector<float> out;
    r.Push(in.data(), 9, out);
    r.Finish(out);
    ASSERT_EQ(out.size(), 2u * 18);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[2], 0.5f);  // halfway between frames 0 and 1
    EXPECT_EQ(out[4], 1.0f);
    EXPECT_EQ(out[2 * 16], 8.0f);
    EXPECT_EQ(out[2 * 17], 8.0f);  // the last frame is held
    EXPECT_EQ(out[2 * 17 + 1], -8.0f);
  }
  {
    LinearResampler r(48000, 44100);
    std::vector<float> one, chunked;
    r.Push(in.data(), 9, one);
    r.Finish(one);
    EXPECT_EQ(one.size() / 2, static_cast<size_t>(std::ceil(9 * 44100.0 / 48000)));
    for (int i = 0; i < 9; i += 2) r.Push(in.data() + 2 * i, std::min(2, 9 - i), chunked);
    r.Finish(chunked);
    EXPECT_EQ(one, chunked);
  }
  {
    LinearResampler r(44100, 44100);
    std::vector<float> out;
    r.Push(in.data(), 9, out);
    r.Finish(out);
    EXPECT_EQ(out, in);
  }
  {
    LinearResampler r(8000, 44100);
    std::vector<float> out;
    r.Push(in.data(), 1, out);
    r.Finish(out);
    EXPECT_EQ(out.size() / 2, 6u);  // ceil(44100 / 8000)
  }
}

}  // namespace
