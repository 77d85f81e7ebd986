// The demo's sounds, synthesised: short effects written as 16-bit WAV, two
// looping music pieces and the logo chimes written as OGG Vorbis (libsndfile).

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "demo/tools/art.h"

namespace demo {

namespace {

constexpr int kRate = 22050;
constexpr double kTau = 6.283185307179586;

using Buffer = std::vector<float>;

Buffer Silence(double seconds) { return Buffer(static_cast<size_t>(seconds * kRate), 0.0f); }

double NoteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Adds a sample at time t (seconds), wrapping around for looping music.
void AddAt(Buffer& b, size_t i, double v, bool wrap) {
  if (i >= b.size()) {
    if (!wrap) return;
    i %= b.size();
  }
  b[i] += static_cast<float>(v);
}

// A struck bell or glass: a few inharmonic partials, each decaying.
void Bell(Buffer& b, double start, double hz, double amp, double decay, bool wrap = false) {
  const double partials[][2] = {{1.0, 1.0}, {2.01, 0.45}, {2.99, 0.22}, {4.2, 0.12}};
  const size_t s = static_cast<size_t>(start * kRate);
  const size_t n = static_cast<size_t>(decay * 5 * kRate);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0;
    for (const auto& p : partials) v += p[1] * std::sin(kTau * hz * p[0] * t) * std::exp(-t * p[0] / decay);
    const double attack = std::min(1.0, t / 0.004);
    AddAt(b, s + i, amp * attack * v, wrap);
  }
}

// A plucked string (Karplus-Strong), warm and short.
void Pluck(Buffer& b, double start, double hz, double amp, double seconds, uint32_t seed, bool wrap) {
  const size_t period = std::max<size_t>(2, static_cast<size_t>(kRate / hz));
  std::vector<double> ring(period);
  Rng rng(seed);
  for (double& v : ring) v = rng.Range(-1, 1);
  const size_t s = static_cast<size_t>(start * kRate);
  const size_t n = static_cast<size_t>(seconds * kRate);
  size_t k = 0;
  for (size_t i = 0; i < n; ++i) {
    const double out = ring[k];
    const double next = ring[(k + 1) % period];
    ring[k] = 0.5 * (out + next) * 0.996;
    k = (k + 1) % period;
    const double fade = i + 2000 > n ? (n - i) / 2000.0 : 1.0;
    AddAt(b, s + i, amp * out * fade, wrap);
  }
}

// A soft pad: detuned sines with a slow swell.
void Pad(Buffer& b, double start, double seconds, const std::vector<int>& notes, double amp, bool wrap) {
  const size_t s = static_cast<size_t>(start * kRate);
  const size_t n = static_cast<size_t>(seconds * kRate);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double env = std::sin(M_PI * std::min(1.0, t / seconds));
    double v = 0;
    for (int note : notes) {
      const double hz = NoteHz(note);
      v += std::sin(kTau * hz * t) + 0.5 * std::sin(kTau * hz * 1.003 * t + 1.0);
    }
    AddAt(b, s + i, amp * env * v / notes.size(), wrap);
  }
}

// Noise through a one-pole low-pass filter whose cut-off and level follow
// the given functions of time.
template <typename Cutoff, typename Level>
void FilteredNoise(Buffer& b, double start, double seconds, uint32_t seed, Cutoff cutoff, Level level,
           bool wrap = false) {
  Rng rng(seed);
  double y = 0;
  const size_t s = static_cast<size_t>(start * kRate);
  const size_t n = static_cast<size_t>(seconds * kRate);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double a = 1 - std::exp(-kTau * cutoff(t) / kRate);
    y += a * (rng.Range(-1, 1) - y);
    AddAt(b, s + i, level(t) * y, wrap);
  }
}

// A tone with a pitch glide and an exponential decay.
void Tone(Buffer& b, double start, double seconds, double hz0, double hz1, double amp, bool square) {
  const size_t s = static_cast<size_t>(start * kRate);
  const size_t n = static_cast<size_t>(seconds * kRate);
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase += kTau * (hz0 + (hz1 - hz0) * t / seconds) / kRate;
    double v = std::sin(phase);
    if (square) v = v > 0 ? 0.6 : -0.6;
    const double env = std::min(1.0, t / 0.005) * std::exp(-3.0 * t / seconds);
    AddAt(b, s + i, amp * env * v, false);
  }
}

void Normalise(Buffer& b, double peak) {
  float m = 0;
  for (float v : b) m = std::max(m, std::fabs(v));
  if (m <= 0) return;
  for (float& v : b) v = static_cast<float>(v / m * peak);
}

bool Write(const std::string& file, const Buffer& b, bool ogg) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = ogg ? (SF_FORMAT_OGG | SF_FORMAT_VORBIS) : (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  SNDFILE* f = sf_open(file.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  if (ogg) {
    double quality = 0.4;
    sf_command(f, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
  }
  const sf_count_t written = sf_write_float(f, b.data(), static_cast<sf_count_t>(b.size()));
  return sf_close(f) == 0 && written == static_cast<sf_count_t>(b.size());
}

// ---- music ------------------------------------------------------------------------

// A calm tune in C major over C - Am - F - G, plucked arpeggios, a pad and a
// bell melody; 16 bars at 84 beats per minute, seamless when looped.
Buffer Theme() {
  const double beat = 60.0 / 84;
  Buffer b = Silence(beat * 4 * 16);
  const int chords[4][3] = {{48, 52, 55}, {45, 48, 52}, {41, 45, 48}, {43, 47, 50}};
  const int melody[16][4] = {{76, 0, 79, 0}, {81, 0, 79, 76}, {77, 0, 76, 0}, {74, 0, 0, 0},
                             {76, 0, 79, 0}, {84, 0, 83, 81}, {81, 0, 79, 77}, {79, 0, 0, 0},
                             {72, 0, 76, 0}, {76, 0, 74, 72}, {72, 0, 69, 72}, {74, 0, 71, 0},
                             {76, 79, 81, 0}, {79, 0, 76, 0}, {77, 76, 74, 0}, {72, 0, 0, 0}};
  for (int bar = 0; bar < 16; ++bar) {
    const int* c = chords[bar % 4];
    const double t0 = bar * 4 * beat;
    Pad(b, t0, 4 * beat, {c[0], c[1] + 12, c[2] + 12}, 0.10, true);
    const int arp[8] = {c[0], c[1], c[2], c[1] + 12, c[2] + 12, c[1] + 12, c[2], c[1]};
    for (int i = 0; i < 8; ++i)
      Pluck(b, t0 + i * beat / 2, NoteHz(arp[i]), 0.22, 1.6, 1000 + bar * 8 + i, true);
    for (int q = 0; q < 4; ++q)
      if (melody[bar][q]) Bell(b, t0 + q * beat, NoteHz(melody[bar][q]), 0.16, 0.55, true);
  }
  Normalise(b, 0.7);
  return b;
}

// The sea: waves breaking every few seconds over a low D minor drone, with a
// distant bell now and then.
Buffer Sea() {
  const double length = 24.0;
  Buffer b = Silence(length);
  for (int w = 0; w < 4; ++w) {
    const double start = w * 6.0 + 0.4 * (w % 2);
    FilteredNoise(b, start, 6.5, 500 + w,
          [](double t) { return 300 + 1400 * std::exp(-std::pow((t - 2.2) / 1.2, 2)); },
          [](double t) { return 0.9 * std::pow(std::sin(M_PI * std::min(1.0, t / 6.5)), 2); }, true);
  }
  FilteredNoise(b, 0, length, 600, [](double) { return 180.0; }, [](double) { return 0.25; }, true);
  Pad(b, 0, 12, {38, 45, 50}, 0.16, true);
  Pad(b, 12, 12, {38, 46, 53}, 0.16, true);
  Bell(b, 3.0, NoteHz(74), 0.08, 1.2, true);
  Bell(b, 15.0, NoteHz(69), 0.08, 1.2, true);
  Normalise(b, 0.65);
  return b;
}

Buffer Chime(int root) {
  Buffer b = Silence(2.6);
  Bell(b, 0.0, NoteHz(root), 0.3, 0.7);
  Bell(b, 0.12, NoteHz(root + 7), 0.25, 0.7);
  Bell(b, 0.24, NoteHz(root + 12), 0.22, 0.8);
  Bell(b, 0.36, NoteHz(root + 16), 0.2, 0.9);
  Normalise(b, 0.6);
  return b;
}

// ---- effects ----------------------------------------------------------------------

Buffer Effect(const std::string& name) {
  Buffer b;
  if (name == "click") {
    b = Silence(0.08);
    FilteredNoise(b, 0, 0.03, 1, [](double) { return 4000.0; }, [](double t) { return std::exp(-t * 150); });
    Tone(b, 0, 0.05, 1400, 1200, 0.4, false);
  } else if (name == "select") {
    b = Silence(0.12);
    Tone(b, 0, 0.1, 880, 990, 0.35, false);
  } else if (name == "pickup") {
    b = Silence(0.9);
    Bell(b, 0, NoteHz(88), 0.4, 0.18);
    Bell(b, 0.09, NoteHz(95), 0.4, 0.22);
  } else if (name == "door") {
    b = Silence(0.9);
    FilteredNoise(b, 0, 0.6, 2, [](double t) { return 500 + 600 * std::sin(t * 9); },
          [](double t) { return 0.6 * std::sin(M_PI * t / 0.6); });
    Tone(b, 0.05, 0.55, 95, 150, 0.35, true);
    Tone(b, 0.62, 0.25, 70, 50, 0.7, false);
  } else if (name == "locked") {
    b = Silence(0.5);
    for (int i = 0; i < 3; ++i) {
      FilteredNoise(b, i * 0.07, 0.04, 3 + i, [](double) { return 3000.0; }, [](double t) { return std::exp(-t * 90); });
      Tone(b, i * 0.07, 0.06, 2200, 2000, 0.2, false);
    }
    Tone(b, 0.22, 0.25, 90, 60, 0.6, false);
  } else if (name == "unlock") {
    b = Silence(0.8);
    Tone(b, 0, 0.2, 110, 70, 0.7, false);
    Bell(b, 0.08, 1760, 0.25, 0.12);
    Bell(b, 0.2, 1320, 0.2, 0.15);
  } else if (name == "rug") {
    b = Silence(0.7);
    FilteredNoise(b, 0, 0.6, 4, [](double t) { return 800 + 2500 * t; },
          [](double t) { return 0.7 * std::sin(M_PI * t / 0.6); });
  } else if (name == "pour") {
    b = Silence(1.3);
    FilteredNoise(b, 0, 1.2, 5, [](double t) { return 600 + 300 * std::sin(t * 70); },
          [](double t) { return 0.5 * std::sin(M_PI * t / 1.2) * (0.6 + 0.4 * std::sin(t * 80)); });
    for (int i = 0; i < 6; ++i) Tone(b, 0.1 + i * 0.17, 0.08, 300 + 40 * (i % 3), 520, 0.25, false);
  } else if (name == "ignite") {
    b = Silence(1.6);
    FilteredNoise(b, 0, 1.4, 6, [](double t) { return 300 + 3000 * t; },
          [](double t) { return 0.8 * std::min(1.0, t * 4) * std::exp(-t * 1.5); });
    Bell(b, 0.15, NoteHz(72), 0.25, 0.5);
    Bell(b, 0.25, NoteHz(79), 0.22, 0.5);
    Bell(b, 0.35, NoteHz(84), 0.2, 0.6);
  } else if (name == "fail") {
    b = Silence(0.4);
    Tone(b, 0, 0.15, 220, 200, 0.5, true);
    Tone(b, 0.15, 0.22, 165, 140, 0.5, true);
  } else if (name == "magic") {
    b = Silence(1.4);
    const int notes[] = {84, 88, 91, 96, 100, 103};
    for (int i = 0; i < 6; ++i) Bell(b, i * 0.07, NoteHz(notes[i]), 0.2, 0.3);
  } else if (name == "steps") {
    b = Silence(1.0);
    for (int i = 0; i < 4; ++i) {
      Tone(b, i * 0.22, 0.1, 90, 60, 0.6, false);
      FilteredNoise(b, i * 0.22, 0.06, 7 + i, [](double) { return 1200.0; }, [](double t) { return 0.4 * std::exp(-t * 60); });
    }
  }
  Normalise(b, 0.8);
  return b;
}

}  // namespace

bool MakeSounds(const AssetDirs& dirs) {
  bool ok = true;
  for (const char* name : {"click", "select", "pickup", "door", "locked", "unlock", "rug", "pour",
                           "ignite", "fail", "magic", "steps"})
    ok = ok && Write(dirs.pack + "/sounds/" + name + ".wav", Effect(name), false);
  ok = ok && Write(dirs.loose + "/sounds/theme.ogg", Theme(), true);
  ok = ok && Write(dirs.loose + "/sounds/sea.ogg", Sea(), true);
  ok = ok && Write(dirs.loose + "/sounds/logo1.ogg", Chime(60), true);
  ok = ok && Write(dirs.loose + "/sounds/logo2.ogg", Chime(67), true);
  return ok;
}

}  // namespace demo
