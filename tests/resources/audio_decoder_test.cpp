// Decoding real sound files made by sox: rates and channel counts converted,
// lossless formats bit-exact, lossy ones close to sox's own decoding, damaged
// files refused quietly.

#include "resources/audio/sound_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdlib>
#include <random>

#include <unistd.h>

#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// libsndfile 1.2.0 leaks its Vorbis header state when it refuses a damaged
// OGG file (inside sf_open_virtual, which then returns nothing to close).
// The caches of the sound layer load each name once, so the loss is bounded;
// the leak checker is told to look away while such files are fed in.
struct IgnoreLibraryLeaks {
#if defined(__SANITIZE_ADDRESS__)
  IgnoreLibraryLeaks() { __lsan_disable(); }
  ~IgnoreLibraryLeaks() { __lsan_enable(); }
#endif
};

using resources::DecodeSampleFile;
using resources::DecodeSampleMemory;
using resources::OpenStreamFile;
using resources::OpenStreamMemory;
using resources::PcmBuffer;
using resources::SoundLoadError;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::Sox;
using testing_support::SoxDecode16;
using testing_support::TempDir;
using testing_support::WriteFile;

double Rms(const std::vector<float>& v) {
  double sum = 0;
  for (float x : v) sum += static_cast<double>(x) * x;
  return v.empty() ? 0 : std::sqrt(sum / static_cast<double>(v.size()));
}

class AudioDecoder : public ::testing::Test {
 protected:
  TempDir dir_;
  std::filesystem::path Path(const std::string& name) { return dir_ / name; }
};

// 22050 Hz mono: every second output frame is a source frame, the frames
// between are the midpoints, and both sides carry the one channel.
TEST_F(AudioDecoder, Wav22050MonoIsDoubledToStereo44100) {
  auto wav = Path("mono.wav");
  ASSERT_TRUE(Sox({"-n", "-r", "22050", "-c", "1", "-b", "16", wav.string(), "synth", "0.25",
                   "sine", "441", "vol", "0.5"}));
  auto src = SoxDecode16(wav, Path("mono.raw"));
  ASSERT_EQ(src.size(), 5512u);  // 0.25 s at 22050 Hz, rounded down by sox

  PcmBuffer pcm;
  ASSERT_EQ(DecodeSampleFile(wav, 0, 0, pcm), SoundLoadError::None);
  EXPECT_EQ(pcm.sourceRate, 22050);
  ASSERT_EQ(pcm.Frames(), 2 * src.size());
  for (size_t k = 0; k < src.size(); ++k) {
    const float expect = src[k] / 32768.0f;
    ASSERT_EQ(pcm.samples[4 * k], expect) << k;
    ASSERT_EQ(pcm.samples[4 * k + 1], expect) << k;
    if (k + 1 < src.size()) {
      const float mid = expect + (src[k + 1] / 32768.0f - expect) * 0.5f;
      ASSERT_FLOAT_EQ(pcm.samples[4 * k + 2], mid) << k;
    }
  }
}

TEST_F(AudioDecoder, LosslessStereo44100IsBitExactFromFileAndMemory) {
  for (const char* ext : {"wav", "flac"}) {
    auto file = Path(std::string("st.") + ext);
    ASSERT_TRUE(Sox({"-n", "-r", "44100", "-c", "2", "-b", "16", file.string(), "synth", "0.2",
                     "sine", "300", "sine", "500", "vol", "0.7"}));
    auto src = SoxDecode16(file, Path("st.raw"));
    PcmBuffer fromFile, fromMemory;
    ASSERT_EQ(DecodeSampleFile(file, 0, 0, fromFile), SoundLoadError::None) << ext;
    std::string bytes = ReadFile(file);
    ASSERT_EQ(DecodeSampleMemory(bytes, 0, bytes.size(), fromMemory), SoundLoadError::None);
    ASSERT_EQ(fromFile.samples.size(), src.size()) << ext;
    for (size_t i = 0; i < src.size(); ++i) {
      ASSERT_EQ(fromFile.samples[i] * 32768.0f, static_cast<float>(src[i])) << ext << " " << i;
    }
    EXPECT_EQ(fromFile.samples, fromMemory.samples);
  }
}

TEST_F(AudioDecoder, OffsetAndLengthSelectAWindow) {
  auto wav = Path("w.wav");
  ASSERT_TRUE(Sox({"-n", "-r", "44100", "-c", "1", "-b", "16", wav.string(), "synth", "0.05",
                   "sine", "1000"}));
  std::string sound = ReadFile(wav);
  std::string block = std::string(100, 'x') + sound + std::string(57, 'y');
  PcmBuffer whole, windowed, cutByLength;
  ASSERT_EQ(DecodeSampleMemory(sound, 0, 0, whole), SoundLoadError::None);
  ASSERT_EQ(DecodeSampleMemory(block, 100, sound.size(), windowed), SoundLoadError::None);
  EXPECT_EQ(whole.samples, windowed.samples);
  WriteFile(Path("block.bin"), block);
  ASSERT_EQ(DecodeSampleFile(Path("block.bin"), 100, sound.size(), windowed), SoundLoadError::None);
  EXPECT_EQ(whole.samples, windowed.samples);
  // A length past the end is cut at the end; an offset past it is refused.
  ASSERT_EQ(DecodeSampleMemory(sound, 0, sound.size() * 10, cutByLength), SoundLoadError::None);
  EXPECT_EQ(whole.samples, cutByLength.samples);
  EXPECT_EQ(DecodeSampleMemory(sound, sound.size() + 1, 0, windowed), SoundLoadError::BadRange);
}

TEST_F(AudioDecoder, OtherRatesAndChannelCountsAreConverted) {
  auto wav48 = Path("r48.wav");
  ASSERT_TRUE(Sox({"-n", "-r", "48000", "-c", "2", "-b", "16", wav48.string(), "synth", "0.1",
                   "sine", "440", "vol", "0.5"}));
  PcmBuffer pcm;
  ASSERT_EQ(DecodeSampleFile(wav48, 0, 0, pcm), SoundLoadError::None);
  EXPECT_EQ(pcm.sourceRate, 48000);
  EXPECT_EQ(pcm.Frames(), static_cast<size_t>(std::ceil(4800 * 44100.0 / 48000)));
  EXPECT_NEAR(Rms(pcm.samples), 0.5 / std::sqrt(2.0), 0.01);

  // Six channels: the first two are kept as left and right.
  auto six = Path("six.wav");
  ASSERT_TRUE(Sox({"-n", "-r", "44100", "-c", "6", "-b", "16", six.string(), "synth", "0.02",
                   "sine", "100", "sine", "200", "sine", "300", "sine", "400", "sine", "500",
                   "sine", "600", "vol", "0.3"}));
  auto src = SoxDecode16(six, Path("six.raw"));
  ASSERT_EQ(DecodeSampleFile(six, 0, 0, pcm), SoundLoadError::None);
  ASSERT_EQ(pcm.Frames() * 6, src.size());
  for (size_t f = 0; f < pcm.Frames(); ++f) {
    ASSERT_EQ(pcm.samples[2 * f] * 32768.0f, src[6 * f]);
    ASSERT_EQ(pcm.samples[2 * f + 1] * 32768.0f, src[6 * f + 1]);
  }
}

TEST_F(AudioDecoder, OggVorbisMatchesSoxDecoding) {
  auto ogg = Path("v.ogg");
  ASSERT_TRUE(Sox({"-n", "-r", "22050", "-c", "1", ogg.string(), "synth", "0.5", "sine", "441",
                   "vol", "0.5"}));
  auto src = SoxDecode16(ogg, Path("v.raw"));
  PcmBuffer pcm;
  ASSERT_EQ(DecodeSampleFile(ogg, 0, 0, pcm), SoundLoadError::None);
  EXPECT_EQ(pcm.sourceRate, 22050);
  ASSERT_EQ(pcm.Frames(), 2 * src.size());
  for (size_t k = 0; k < src.size(); ++k) {
    // Both go through libvorbis; sox rounds to 16 bits (and may dither).
    ASSERT_NEAR(pcm.samples[4 * k] * 32768.0f, src[k], 2.0f) << k;
  }
}

// MP3 frame counts are estimates: the decoder reads until nothing comes.
TEST_F(AudioDecoder, Mp3DecodesWholeFromFileAndMemoryAndAsStream) {
  auto mp3 = Path("m.mp3");
  if (!Sox({"-n", "-r", "44100", "-c", "2", mp3.string(), "synth", "0.6", "sine", "440", "vol",
            "0.5"})) {
    GTEST_SKIP() << "this sox cannot write MP3 files";
  }
  PcmBuffer pcm, fromMemory;
  ASSERT_EQ(DecodeSampleFile(mp3, 0, 0, pcm), SoundLoadError::None);
  // Encoder delay and padding add at most a few frames of 1152 samples.
  EXPECT_GE(pcm.Frames(), 26460u);
  EXPECT_LE(pcm.Frames(), 26460u + 4 * 1152);
  EXPECT_NEAR(Rms(pcm.samples), 0.5 / std::sqrt(2.0) * std::sqrt(26460.0 / pcm.Frames()), 0.02);
  std::string bytes = ReadFile(mp3);
  ASSERT_EQ(DecodeSampleMemory(bytes, 0, 0, fromMemory), SoundLoadError::None);
  EXPECT_EQ(pcm.samples, fromMemory.samples);

  SoundLoadError e;
  auto stream = OpenStreamMemory(std::make_shared<std::string>(bytes), 0, 0, e);
  ASSERT_TRUE(stream);
  std::vector<float> streamed(pcm.samples.size() + 200, 7.0f);
  size_t got = 0;
  for (;;) {
    size_t n = stream->Read(streamed.data() + 2 * got, std::min<size_t>(333, pcm.Frames() + 100 - got));
    got += n;
    if (n == 0) break;
  }
  ASSERT_EQ(got, pcm.Frames());
  streamed.resize(2 * got);
  EXPECT_EQ(streamed, pcm.samples);
  ASSERT_TRUE(stream->Rewind());
  std::vector<float> again(2 * 3000);
  ASSERT_EQ(stream->Read(again.data(), 3000), 3000u);
  EXPECT_TRUE(std::equal(again.begin(), again.end(), pcm.samples.begin()));
}

// A stream gives the same frames as a whole decode, in any read sizes, and the
// same again after a rewind; its memory block stays alive with it.
TEST_F(AudioDecoder, StreamsMatchWholeDecodingAndRewind) {
  auto ogg = Path("s.ogg");
  ASSERT_TRUE(Sox({"-n", "-r", "32000", "-c", "2", ogg.string(), "synth", "0.4", "sine", "300",
                   "sine", "700", "vol", "0.4"}));
  PcmBuffer whole;
  ASSERT_EQ(DecodeSampleFile(ogg, 0, 0, whole), SoundLoadError::None);
  SoundLoadError e;
  std::unique_ptr<resources::PcmStream> stream;
  {
    auto bytes = std::make_shared<std::string>(ReadFile(ogg));
    stream = OpenStreamMemory(bytes, 0, 0, e);
  }  // our reference is gone; the stream keeps the block
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->SourceRate(), 32000);
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<float> out;
    std::vector<float> buf(2 * 1000);
    size_t sizes[] = {1, 17, 1000, 256};
    for (int i = 0;; ++i) {
      size_t want = sizes[i % 4];
      size_t n = stream->Read(buf.data(), want);
      out.insert(out.end(), buf.begin(), buf.begin() + 2 * n);
      if (n < want) break;
    }
    EXPECT_EQ(out, whole.samples) << "pass " << pass;
    ASSERT_TRUE(stream->Rewind());
  }
  auto fileStream = OpenStreamFile(ogg, 0, 0, e);
  ASSERT_TRUE(fileStream);
  std::vector<float> first(2 * 64);
  ASSERT_EQ(fileStream->Read(first.data(), 64), 64u);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), whole.samples.begin()));
}

TEST_F(AudioDecoder, SampleLengthIsCappedNotUnbounded) {
  auto wav = Path("long.wav");
  ASSERT_TRUE(Sox({"-n", "-r", "8000", "-c", "1", "-b", "16", wav.string(), "synth", "1", "sine",
                   "100"}));
  PcmBuffer pcm;
  ASSERT_EQ(DecodeSampleFile(wav, 0, 0, pcm, 1000), SoundLoadError::None);
  EXPECT_EQ(pcm.Frames(), 1000u);
}

// Missing, empty, foreign and damaged data: quiet failures, never a crash or
// a read outside the data.
TEST_F(AudioDecoder, DamagedAndForeignDataFailQuietly) {
  PcmBuffer pcm;
  SoundLoadError e;
  EXPECT_EQ(DecodeSampleFile(Path("missing.wav"), 0, 0, pcm), SoundLoadError::FileOpen);
  EXPECT_EQ(DecodeSampleFile(dir_.Path(), 0, 0, pcm), SoundLoadError::FileOpen);
  EXPECT_FALSE(OpenStreamFile(Path("missing.ogg"), 0, 0, e));
  EXPECT_EQ(e, SoundLoadError::FileOpen);
  EXPECT_FALSE(OpenStreamMemory(nullptr, 0, 0, e));
  EXPECT_EQ(DecodeSampleMemory("", 0, 0, pcm), SoundLoadError::Format);
  EXPECT_EQ(DecodeSampleMemory("RIFF\x10\0\0\0WAVEfmt ", 0, 0, pcm), SoundLoadError::Format);
  EXPECT_EQ(DecodeSampleMemory("not a sound at all, just text", 0, 0, pcm), SoundLoadError::Format);

  auto wav = Path("ok.wav");
  auto ogg = Path("ok.ogg");
  ASSERT_TRUE(Sox({"-n", "-r", "44100", "-c", "2", "-b", "16", wav.string(), "synth", "0.1",
                   "sine", "440"}));
  ASSERT_TRUE(Sox({"-n", "-r", "44100", "-c", "2", ogg.string(), "synth", "0.3", "sine", "440"}));
  // A WAV header without its data: nothing to play.
  std::string header = ReadFile(wav).substr(0, 44);
  EXPECT_NE(DecodeSampleMemory(header, 0, 0, pcm), SoundLoadError::None);

  // Truncations and random byte damage of real files: any result but a crash.
  [[maybe_unused]] IgnoreLibraryLeaks ignore;
  std::mt19937 rng(12345);
  for (const auto& file : {wav, ogg}) {
    const std::string good = ReadFile(file);
    for (size_t cut : {size_t{1}, size_t{12}, size_t{45}, good.size() / 3, good.size() - 1}) {
      DecodeSampleMemory(std::string_view(good).substr(0, cut), 0, 0, pcm);
    }
    for (int trial = 0; trial < 40; ++trial) {
      std::string bad = good;
      for (int k = 0; k < 8; ++k) bad[rng() % std::min<size_t>(bad.size(), 200)] = char(rng());
      DecodeSampleMemory(bad, 0, 0, pcm);
      auto s = OpenStreamMemory(std::make_shared<std::string>(bad), 0, 0, e);
      if (s) {
        std::vector<float> buf(2 * 4096);
        for (int i = 0; i < 100 && s->Read(buf.data(), 4096) > 0; ++i) {
        }
        s->Rewind();
      }
    }
  }
  SUCCEED();
}

}  // namespace
