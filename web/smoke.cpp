// qazmir-web-smoke: runs the engine's libraries once each (code pages, INI
// files, scripts with the runtime library, PNG and JPEG decoding, sounds in
// every format libsndfile writes, TrueType glyphs, splines, SDL's software
// renderer, and a small game loaded from its folder and drawn into a frame)
// and prints one line per check with the values or hashes it got.
//
// The same source builds natively and for WebAssembly, so the two outputs can
// be compared line by line: the same engine has to give the same results.
//
//   qazmir-web-smoke [TTF]        (under node: node qazmir-web-smoke.js [TTF];
//                                  TTF is a host path, mounted under /host)
// Files are made in a scratch folder (the in-memory file system on the web).
// The exit status is 0 when every check passed.

#include <SDL.h>
#include <jpeglib.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/ini_file.h"
#include "platform/path_resolver.h"
#include "render/canvas2d.h"
#include "render/font_store.h"
#include "render/frame.h"
#include "render/image_store.h"
#include "render/png_writer.h"
#include "render/ttf_font_builder.h"
#include "resources/audio/sound_decoder.h"
#include "resources/decoded_image.h"
#include "resources/image_cache.h"
#include "scene/class_registry.h"
#include "scene/db.h"
#include "scene/script_runner.h"
#include "scene/spline_track.h"
#include "script/pascalc.h"
#include "scriptlib/natives.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

int g_passed = 0;
int g_failed = 0;

void Report(const std::string& name, bool ok, const std::string& detail) {
  std::printf("%s %s: %s\n", ok ? "ok  " : "FAIL", name.c_str(), detail.c_str());
  (ok ? g_passed : g_failed)++;
}

uint64_t Fnv(const void* data, size_t size, uint64_t h = 1469598103934665603ull) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

std::string Hex(uint64_t v) {
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// A picture with every channel varying, so that decoding errors show.
std::vector<uint32_t> TestPixels(int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px[static_cast<size_t>(y) * w + x] =
          0xFF000000u | (static_cast<uint32_t>(x * 255 / (w - 1)) << 16) |
          (static_cast<uint32_t>(y * 255 / (h - 1)) << 8) | static_cast<uint32_t>((x ^ y) & 0xFF);
  return px;
}

std::string EncodeJpeg(const std::vector<uint32_t>& px, int w, int h) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
  while (c.next_scanline < c.image_height) {
    const uint32_t* src = &px[static_cast<size_t>(c.next_scanline) * w];
    for (int x = 0; x < w; ++x) {
      row[x * 3] = static_cast<unsigned char>(src[x] >> 16);
      row[x * 3 + 1] = static_cast<unsigned char>(src[x] >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(src[x]);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string bytes(reinterpret_cast<char*>(out), size);
  std::free(out);
  return bytes;
}

// ---- checks ---------------------------------------------------------------------

void CheckCodePage() {
  const platform::CodePage& cp = platform::CodePage::Default();
  std::string utf8 = cp.ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2 \x98");
  std::string upper = cp.ToUtf8(cp.Upper("\xEF\xF0\xE8\xE2\xE5\xF2"));
  bool ok = utf8 == "Привет \xC2\x98" && upper == "ПРИВЕТ";
  Report("codepage", ok, cp.Name() + " " + utf8.substr(0, 12) + " " + upper);
}

void CheckIni(const fs::path& dir) {
  platform::IniFile ini(dir / "settings.ini");
  bool wrote = ini.WriteString("Main", "Volume", "75") && ini.WriteString("main", "Name", "x y");
  std::string v = ini.ReadString("MAIN", "volume", "?");
  std::string n = ini.ReadString("Main", "NAME", "?");
  Report("ini", wrote && v == "75" && n == "x y", "Volume=" + v + " Name=" + n);
}

void CheckScript() {
  script::TPasCalc calc(nullptr);
  scriptlib::RegisterNatives(calc);
  const char* source =
      "A := StrToFloat('2.5E-3') * 1000; B := FloatToStr(A / 3); N := 0; C := 0;"
      "Val('1E999', N, C); S := UpperCase(Copy('qazmir web', 1, 6)) + Format(' %d/%.2f', 7, 2.5);"
      "R := Round(Sqrt(2) * 1000000); T := Length(IntToStr(123456));"
      // Range edges of real-number scanning: subnormal, underflow, overflow.
      "D := 0; E := 0; F := 0; G := 0; H := 0;"
      "Val('1e-310', D, E); Val('1e-400', D, F); Val('4.9e-324', D, G); Val('1.7976931348623159e308', D, H)";
  bool ran = calc.RunSource(source);
  std::ostringstream out;
  for (const char* name : {"A", "B", "C", "S", "R", "T", "E", "F", "G", "H"}) {
    const script::TVar* v = calc.Variables().Find(name);
    out << name << "=" << (v ? v->value.ToText() : "<none>") << " ";
  }
  std::string text = out.str();
  Report("script", ran && text.find("A=2.5 ") == 0 && text.find("C=6 ") != std::string::npos,
         ran ? text : calc.ErrorMessage());
}

void CheckImages() {
  const int w = 97, h = 61;
  std::vector<uint32_t> px = TestPixels(w, h);
  auto png = render::EncodePng(px.data(), w, h, w);
  resources::DecodedImage img;
  bool pngOk = png && resources::DecodePng(Bytes(*png), img) == resources::DecodeError::None &&
               img.width == w && img.height == h && img.pixels == px;
  Report("png", pngOk, std::to_string(png ? png->size() : 0) + " bytes, round trip exact");

  std::string jpeg = EncodeJpeg(px, w, h);
  resources::DecodedImage jimg;
  bool jpegOk = resources::DecodeJpeg(Bytes(jpeg), jimg) == resources::DecodeError::None &&
                jimg.width == w && jimg.height == h;
  Report("jpeg", jpegOk,
         std::to_string(jpeg.size()) + " bytes, pixels " +
             Hex(Fnv(jimg.pixels.data(), jimg.pixels.size() * 4)));

  // Damaged data: libpng leaves through longjmp, libjpeg through our handler.
  resources::DecodedImage bad;
  auto pngErr = png ? resources::DecodePng(Bytes(png->substr(0, png->size() / 2)), bad)
                    : resources::DecodeError::None;
  std::string mangled = jpeg;
  for (size_t i = jpeg.size() / 3; i < jpeg.size() / 3 + 64 && i < mangled.size(); ++i) mangled[i] = '\xFF';
  auto jpegErr = resources::DecodeJpeg(Bytes(jpeg.substr(0, 200)), bad);
  resources::DecodedImage mangledImg;
  resources::DecodeJpeg(Bytes(mangled), mangledImg);
  Report("damaged images", pngErr != resources::DecodeError::None &&
                               jpegErr != resources::DecodeError::None,
         "png " + std::to_string(static_cast<int>(pngErr)) + ", jpeg " +
             std::to_string(static_cast<int>(jpegErr)) + ", mangled jpeg survived");
}

void CheckSounds(const fs::path& dir) {
  struct Kind {
    const char* name;
    int format;
  };
  const Kind kinds[] = {
      {"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
      {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
      {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
      {"opus", SF_FORMAT_OGG | SF_FORMAT_OPUS},
      {"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
  };
  for (const Kind& k : kinds) {
    fs::path file = dir / (std::string("tone.") + k.name);
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 1;
    info.format = k.format;
    SNDFILE* sf = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!sf) {
      Report(std::string("sound ") + k.name, false, std::string("write: ") + sf_strerror(nullptr));
      continue;
    }
    std::vector<float> tone(24000);
    for (size_t i = 0; i < tone.size(); ++i)
      tone[i] = 0.5f * static_cast<float>(std::sin(2 * 3.14159265358979 * 440 * i / 48000.0));
    sf_writef_float(sf, tone.data(), static_cast<sf_count_t>(tone.size()));
    sf_close(sf);

    resources::PcmBuffer pcm;
    auto err = resources::DecodeSampleFile(file, 0, 0, pcm);
    double sum = 0;
    for (float s : pcm.samples) sum += static_cast<double>(s) * s;
    double rms = pcm.samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(pcm.samples.size()));
    char detail[96];
    std::snprintf(detail, sizeof detail, "%zu frames at the mixing rate, rms %.2f",
                  pcm.Frames(), rms);
    Report(std::string("sound ") + k.name,
           err == resources::SoundLoadError::None && std::fabs(rms - 0.354) < 0.03, detail);
  }
}

void CheckTtf(const std::string& ttf) {
  if (ttf.empty()) {
    std::printf("skip ttf: no font given\n");
    return;
  }
  render::TtfFontOptions o;
  o.ttfPath = ttf;
  o.pixelSize = 18;
  std::string record, error;
  bool ok = render::BuildFontRecordFromTtf(o, record, error);
  Report("ttf", ok && record.size() > 1000,
         ok ? std::to_string(record.size()) + " bytes, " + Hex(Fnv(record.data(), record.size()))
            : error);
}

void CheckSpline() {
  scene::SplineCurve curve;
  const double t[] = {0, 1, 2, 3}, v[] = {0, 1, 4, 9};
  bool built = curve.Build(t, v);
  const double same[] = {0, 1, 1, 3};
  scene::SplineCurve refused;
  bool refusedOk = !refused.Build(same, v);  // the library throws for equal times
  char detail[64];
  std::snprintf(detail, sizeof detail, "value(1.5) %.6f, equal times refused", curve.Value(1.5));
  Report("spline", built && refusedOk && std::fabs(curve.Value(1.5) - 2.25) < 0.01, detail);
}

void CheckSdl() {
  SDL_version v;
  SDL_GetVersion(&v);
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* r = s ? SDL_CreateSoftwareRenderer(s) : nullptr;
  uint32_t pixel = 0;
  if (r) {
    SDL_SetRenderDrawColor(r, 10, 20, 30, 255);
    SDL_RenderClear(r);
    SDL_Rect rect{8, 8, 8, 8};
    SDL_SetRenderDrawColor(r, 200, 100, 50, 255);
    SDL_RenderFillRect(r, &rect);
    SDL_RenderPresent(r);
    pixel = static_cast<const uint32_t*>(s->pixels)[10 * (s->pitch / 4) + 10];
    SDL_DestroyRenderer(r);
  }
  if (s) SDL_FreeSurface(s);
  char detail[64];
  std::snprintf(detail, sizeof detail, "SDL %d.%d.%d, software renderer pixel %08x", v.major,
                v.minor, v.patch, pixel);
  Report("sdl", pixel == 0xFFC86432u, detail);
}

// ---- a small game -----------------------------------------------------------------

// An element record for the game file: values by property name; properties
// before the last one given take the class's defaults.
struct Node {
  std::string cls;
  std::vector<std::pair<std::string, std::string>> props;  // name, value as text
  std::vector<Node> children;
};

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

std::string RecordBytes(const Node& n, scene::TQZElement& scratch) {
  const scene::TQZClass& cls = scene::RegisteredClass(n.cls);
  size_t count = 0;
  for (const auto& [name, value] : n.props) {
    const scene::TQZProp* p = cls.FindProp(name);
    if (!p) throw std::runtime_error("no property " + name + " in " + n.cls);
    count = std::max(count, static_cast<size_t>(p - cls.Props.data()) + 1);
  }
  std::string out;
  PutU32(out, static_cast<uint32_t>(n.cls.size()));
  out += n.cls;
  PutU32(out, static_cast<uint32_t>(count));
  for (size_t i = 0; i < count; ++i) {
    const scene::TQZProp& p = cls.Props[i];
    const std::string* given = nullptr;
    for (const auto& [name, value] : n.props)
      if (cls.FindProp(name) == &p) given = &value;
    switch (p.Kind()) {
      case scene::PropKind::Ordinal:
        PutU32(out, static_cast<uint32_t>(given ? std::stoll(*given) : p.GetOrd(scratch)));
        break;
      case scene::PropKind::Float: {
        double d = given ? std::stod(*given) : p.GetFloat(scratch);
        uint64_t u;
        std::memcpy(&u, &d, 8);
        PutU32(out, static_cast<uint32_t>(u));
        PutU32(out, static_cast<uint32_t>(u >> 32));
        break;
      }
      case scene::PropKind::String: {
        std::string s = given ? *given : p.GetStr(scratch);
        PutU32(out, static_cast<uint32_t>(s.size()));
        out += s;
        break;
      }
    }
  }
  for (const Node& child : n.children) {
    scene::TQZElement* scratchChild = scratch.CreateChild(child.cls);
    std::string bytes = RecordBytes(child, *scratchChild);
    PutU32(out, static_cast<uint32_t>(bytes.size()));
    out += bytes;
  }
  return out;
}

void CheckGame(const fs::path& dir) {
  fs::path game = dir / "game";
  const int w = 160, h = 120;
  std::vector<uint32_t> px = TestPixels(w, h);
  WriteFile(game / "Pics" / "Room.png", *render::EncodePng(px.data(), w, h, w));

  Node image{"TQZImage",
             {{"Key", "3"}, {"Id", "Room"}, {"imImage", "PICS\\ROOM.PNG"}, {"rX", "512"},
              {"rY", "384"}, {"PosHor", "1"}, {"PosVert", "1"}, {"Scale", "2.5"},
              {"Angle", "12.5"}, {"exInit", "Tag := Format('%.4f', StrToFloat('0.125e1') * 2)"}},
             {}};
  Node screen{"TQZScreen",
              {{"Key", "2"}, {"Id", "Hall"}, {"SizeX", "1024"}, {"SizeY", "768"}, {"AutoInit", "1"}},
              {image}};
  Node root{"TQZDB", {{"Key", "1"}, {"Id", "Smoke"}, {"InitScreen", "2"}}, {screen}};
  std::string bytes;
  try {
    scene::TQZDB scratch;
    bytes = RecordBytes(root, scratch);
  } catch (const std::exception& e) {
    Report("game", false, e.what());
    return;
  }
  WriteFile(game / "smoke.qzf", bytes);

  platform::GameFiles().Reset(game, platform::CodePage::Default());
  render::Frame frame;
  render::Canvas2D canvas(frame);
  render::ImageStore store;
  resources::ImageCache cache(store);
  render::FontStore fonts;
  scene::GameHost host;
  scene::TQZDB db;
  db.SetServices({&host, &canvas, nullptr, &cache, &fonts});
  scene::ScriptRunner::Instance().SetRoot(&db);
  db.SetGameFileName("smoke.qzf");
  db.LoadGame();
  db.SetCurrentScreen(db.FindByKey(db.InitScreen));
  db.DoInit();
  for (int i = 0; i < 3; ++i) db.DoProcess();

  frame.Fill(0xFF000000u);
  canvas.SetClipRect({0, 0, frame.Width(), frame.Height()});
  scene::TQZElement* current = db.CurrentScreen();
  if (current)
    for (int64_t layer = db.MinOrder; layer <= db.MaxOrder; ++layer)
      current->Paint(static_cast<int32_t>(layer), 0xFFFFFFFFu, 0, 0, 0);
  uint64_t hash = 0;
  int lit = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      uint32_t c = frame.Pixel(x, y) & 0xFFFFFFu;
      hash = Fnv(&c, 4, hash ? hash : 1469598103934665603ull);
      lit += c != 0;
    }
  // Speed, on stderr so that outputs stay comparable: steps with a full
  // redraw, as the frame loop makes them.
  auto t0 = std::chrono::steady_clock::now();
  const int kSteps = 60;
  for (int i = 0; i < kSteps; ++i) {
    db.DoProcess();
    frame.Fill(0xFF000000u);
    for (int64_t layer = db.MinOrder; current && layer <= db.MaxOrder; ++layer)
      current->Paint(static_cast<int32_t>(layer), 0xFFFFFFFFu, 0, 0, 0);
    db.Host().RenderFrame(true);
  }
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  std::fprintf(stderr, "speed: %.2f ms per step with a full redraw (%d steps)\n", ms / kSteps, kSteps);

  scene::TQZElement* room = db.FindByKey(3);
  script::Value tag;
  bool hasTag = room && room->GetValue("Tag", tag);
  std::string tagText = hasTag ? tag.ToText() : "<none>";
  Report("game", current && lit > 40000 && tagText == "2.5000",
         std::to_string(bytes.size()) + " byte game, screen " + (current ? current->Id : "<none>") +
             ", Tag=" + tagText + ", " + std::to_string(lit) + " lit pixels, frame " + Hex(hash));
}

}  // namespace

int main(int argc, char** argv) {
  std::string ttf = argc > 1 ? argv[1] : "";
  fs::path dir;
#ifdef __EMSCRIPTEN__
  // Under node the host's files are reachable below /host; in a page there
  // is only the in-memory file system.
  bool node = EM_ASM_INT({
    if (typeof process !== 'object' || typeof require !== 'function') return 0;
    FS.mkdir('/host');
    FS.mount(NODEFS, {root : '/'}, '/host');
    return 1;
  });
  if (node && !ttf.empty()) ttf = "/host" + ttf;
  dir = "/smoke";
#else
  dir = fs::temp_directory_path() / ("qazmir-web-smoke-" + std::to_string(::getpid()));
#endif
  fs::create_directories(dir);

  scene::RegisterAllClasses();
  scene::ScriptRunner::Instance();
  scriptlib::RegisterNativesInPool();

  using Check = std::function<void()>;
  const Check checks[] = {
      CheckCodePage,
      [&] { CheckIni(dir); },
      CheckScript,
      CheckImages,
      [&] { CheckSounds(dir); },
      [&] { CheckTtf(ttf); },
      CheckSpline,
      CheckSdl,
      [&] { CheckGame(dir); },
  };
  for (const Check& check : checks) {
    try {
      check();
    } catch (const std::exception& e) {
      Report("exception", false, e.what());
    }
  }
#ifndef __EMSCRIPTEN__
  std::error_code ec;
  fs::remove_all(dir, ec);
#endif
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
