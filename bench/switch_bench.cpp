// Screen switches on every core: the wall time from SetScreen to the first
// normal frame of a switch to a screen of 40 full-screen pictures (1024 x 768;
// 20 JPEG and 20 PNG, half of each loose, half in the pack), with the decoding
// pool (the default size, or --threads N) against one thread, in alternating
// rounds of the same run (see side_by_side.h). Wall time, not CPU time: the
// point is the work spread over threads. Target ratio 0.6.
//
// The player runs headless in this process. Its first normal step calls
// SetScreen; the loading screen (a full-screen picture) runs LoadIm and
// EndLoadIm in the next, drawing a progress frame after every picture; the run
// ends after the frame that follows, the first normal frame. The same game
// without the switch, run in the same round, is subtracted: that leaves out
// start-up, the intro and closing.
//
// The serial share comes first: the one-thread switch minus the same 40
// decodes on one thread here, over the one-thread switch (reads, uploads,
// progress frames, bookkeeping, the first frame), in CPU time, which other
// work on a shared machine disturbs far less than wall time. Amdahl's
// share + (1 - share) / n is the ratio on n cores when nothing overlaps the
// serial part; the main thread reading and uploading while workers decode can
// overlap it, down to max(share, 1/n).
// The same 40 decodes spread over the pool's threads tell how many cores the
// run really had: on a machine shared with other work, two threads may get
// no more than one core's worth, and then no pool can do better.
//
// Options: --quick (3 rounds), --threads N, --make DIR (only write the game
// into DIR, to play or profile it: qazmir --headless --steps 5 DIR/switch.qzf).

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bench/game_pictures.h"
#include "bench/side_by_side.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/numeric.h"
#include "render/image_store.h"
#include "render/render_image.h"
#include "resources/decode_pool.h"
#include "resources/image_cache.h"
#include "resources/store.h"
#include "scene/db.h"
#include "tools/scene_json.h"

namespace {

namespace fs = std::filesystem;
using tools::Json;

constexpr int kPictures = 40;
constexpr double kTarget = 0.6;
constexpr int kPasses = 5;  // the switch starts in pass 3; pass 5 draws the first normal frame

struct Picture {
  std::string name;  // as the game names it
  bool inPack = false;
};

struct Game {
  fs::path folder;
  fs::path switching;  // switch.qzf
  fs::path staying;    // stay.qzf: the same game without the switch
  std::vector<Picture> pictures;
};

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string PictureName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "pictures\\bg%02d.%s", i, i % 2 ? "png" : "jpg");
  return name;
}

Json Image(int key, const std::string& picture) {
  return {{"class", "TQZImage"}, {"props", {{"Key", key}, {"imImage", picture}}}};
}

std::string Scene(const Game& game, bool switches) {
  Json big = Json::array();
  for (int i = 0; i < kPictures; ++i) big.push_back(Image(100 + i, game.pictures[i].name));
  const char* hall = switches ? "IF TAG = '' THEN BEGIN TAG := 'x'; SetScreen(QZDB.BIG) END"
                              : "IF TAG = '' THEN TAG := 'x'";
  Json scene = {
      {"class", "TQZDB"},
      {"props",
       {{"Id", "SwitchBench"},
        {"InitScreen", 10},
        {"LoadingScreen", 30},
        {"exLoadImProcess", "QZDB.TAG := IntToStr(IMFORLOADPOS)"}}},
      {"children",
       {{{"class", "TQZScreen"}, {"props", {{"Key", 10}, {"Id", "Hall"}, {"exProcess", hall}}}},
        {{"class", "TQZScreen"}, {"props", {{"Key", 20}, {"Id", "Big"}}}, {"children", big}},
        {{"class", "TQZScreen"},
         {"props", {{"Key", 30}, {"Id", "Loader"}, {"exProcess", "LoadIm; EndLoadIm"}}},
         {"children", {Image(31, "loading.jpg")}}}}}};
  return tools::JsonToGameFile(scene, game.folder, platform::CodePage::Default());
}

Game MakeGame(const fs::path& folder) {
  Game game{folder, folder / "switch.qzf", folder / "stay.qzf", {}};
  fs::create_directories(folder / "pictures");
  resources::PackWriter pack;
  for (int i = 0; i < kPictures; ++i) {
    Picture p{PictureName(i), (i / 2) % 2 == 1};
    const std::vector<uint8_t> rgba = bench::MakeBackground(i % 10);
    const fs::path file = folder / "pictures" / p.name.substr(p.name.find('\\') + 1);
    if (i % 2) {
      bench::WritePng(file, rgba);
    } else {
      bench::WriteJpeg(file, rgba);
    }
    if (p.inPack) {
      pack.Add(platform::AsciiUpper(p.name), platform::ReadWholeFile(file).value_or(""));
      fs::remove(file);
    }
    game.pictures.push_back(p);
  }
  bench::WriteJpeg(folder / "loading.jpg", bench::MakeBackground(3));
  const std::string packBytes = pack.Finish();
  WriteFile(folder / "switch.qst", packBytes);
  WriteFile(folder / "stay.qst", packBytes);
  WriteFile(game.switching, Scene(game, true));
  WriteFile(game.staying, Scene(game, false));
  return game;
}

struct Played {
  double seconds = 0;  // wall
  double cpu = 0;      // the process's CPU seconds: on one thread, the switch's work
  bool ok = false;
  uint64_t hash = 0;  // of the new screen's textures, when asked for
  int workers = 0;
};

Played Play(const fs::path& gameFile, const fs::path& users, int threads, bool check) {
  setenv("QZ_DECODE_THREADS", std::to_string(threads).c_str(), 1);
  app::PlayerOptions o;
  o.headless = true;
  o.steps = kPasses;
  o.seed = 1;
  o.userDir = users.string();
  o.game = gameFile.string();
  app::TFormMain window(o);
  Played p;
  const double start = bench::WallSeconds();
  const double cpuStart = bench::CpuSeconds();
  p.ok = window.Run() == 0;
  p.seconds = bench::WallSeconds() - start;
  p.cpu = bench::CpuSeconds() - cpuStart;
  if (!check) return p;
  scene::TQZDB* root = window.Root();
  resources::ImageCache* cache = root ? root->Services().images : nullptr;
  if (!cache) return {p.seconds, p.cpu, false, 0, 0};
  int loaded = 0;
  p.hash = 1469598103934665603ull;
  for (const auto& e : cache->Entries()) {
    const render::RenderImage* t = e->Texture();
    if (!t || e->Name().rfind("PICTURES\\", 0) != 0) continue;
    ++loaded;
    for (int y = 0; y < t->PatternHeight(); y += 7)
      for (int x = 0; x < t->PatternWidth(); ++x)
        p.hash = (p.hash ^ render::ImageStore::ReadPixel(t, x, y, 0)) * 1099511628211ull;
  }
  p.workers = cache->LastDecodeAhead().workers;
  p.ok = p.ok && loaded == kPictures && root->Tag == std::to_string(kPictures);
  return p;
}

// The bytes of every picture, as the switch reads them; seconds taken.
double ReadAll(const Game& game, std::vector<std::string>& bytes) {
  resources::TQZStore pack;
  pack.Open(game.folder / "switch.qst");
  pack.ReadDirectory();
  bytes.assign(kPictures, "");
  const double start = bench::WallSeconds();
  for (int i = 0; i < kPictures; ++i) {
    const Picture& p = game.pictures[i];
    if (p.inPack) {
      pack.ReadEntry(p.name, bytes[i]);
    } else {
      const std::string& n = p.name;
      bytes[i] = platform::ReadWholeFile(game.folder / "pictures" / n.substr(n.find('\\') + 1))
                     .value_or("");
    }
  }
  return bench::WallSeconds() - start;
}

// Wall seconds the 40 decodes take on `threads` threads, this one included,
// each taking the next picture not yet taken, and the process's CPU seconds.
// On one thread: the decoding part of the one-thread switch; on the pool's:
// how many cores this run really gets (a shared machine may give two threads
// no more than one core).
Played DecodeAll(const Game& game, const std::vector<std::string>& bytes, int threads) {
  std::atomic<int> next = 0;
  std::atomic<bool> failed = false;
  auto decode = [&] {
    for (int i; (i = next++) < kPictures;) {
      resources::DecodedImage picture;
      const auto* data = reinterpret_cast<const uint8_t*>(bytes[i].data());
      if (resources::DecodeImage(resources::FormatFromName(game.pictures[i].name),
                                 {data, bytes[i].size()}, picture) != resources::DecodeError::None)
        failed = true;
    }
  };
  const double start = bench::WallSeconds();
  const double cpuStart = bench::CpuSeconds();
  std::vector<std::thread> others;
  for (int t = 1; t < threads; ++t) others.emplace_back(decode);
  decode();
  for (std::thread& t : others) t.join();
  Played p{bench::WallSeconds() - start, bench::CpuSeconds() - cpuStart, !failed};
  if (failed) {
    std::fprintf(stderr, "switch_bench: a picture does not decode\n");
    std::exit(1);
  }
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = bench::kDefaultRounds;
  int threads = resources::DefaultDecodeThreads();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) rounds = 3;
    if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) threads = std::atoi(argv[++i]);
    if (std::strcmp(argv[i], "--make") == 0 && i + 1 < argc) {
      MakeGame(argv[i + 1]);
      return 0;
    }
  }
  const fs::path dir = fs::temp_directory_path() / ("qz-bench-switch-" + std::to_string(getpid()));
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);  // the list of games played
  const fs::path start = fs::current_path();
  const Game game = MakeGame(dir / "game");
  const fs::path users = dir / "users";

  std::printf(
      "switch: %d pictures of %d x %d (20 JPEG, 20 PNG; 20 loose, 20 in the pack), "
      "pool of %d threads against 1, %u cores\n",
      kPictures, bench::kPictureWidth, bench::kPictureHeight, threads,
      std::thread::hardware_concurrency());
  if (threads < 2) {
    bench::ReportFailure("switch", kTarget, "a pool of one thread is the one-thread path");
    return 0;
  }

  // Both sides load the same pictures, and the pool side really decodes ahead.
  const Played poolCheck = Play(game.switching, users, threads, true);
  const Played oneCheck = Play(game.switching, users, 1, true);
  fs::current_path(start);
  if (!poolCheck.ok || !oneCheck.ok || poolCheck.hash != oneCheck.hash ||
      poolCheck.workers != threads || oneCheck.workers != 0) {
    bench::ReportFailure("switch", kTarget, "the two sides did not load the same screen");
    return 1;
  }

  std::vector<double> pool, one, ratio, decode, decodeSpread, read, share, cores;
  std::vector<std::string> bytes;
  for (int r = 0; r < rounds; ++r) {
    Played tPool, tOne;
    if (r % 2 == 0) {
      tPool = Play(game.switching, users, threads, false);
      tOne = Play(game.switching, users, 1, false);
    } else {
      tOne = Play(game.switching, users, 1, false);
      tPool = Play(game.switching, users, threads, false);
    }
    const Played stay = Play(game.staying, users, 1, false);
    fs::current_path(start);
    pool.push_back(tPool.seconds - stay.seconds);
    one.push_back(tOne.seconds - stay.seconds);
    ratio.push_back(pool.back() / one.back());
    read.push_back(ReadAll(game, bytes));
    const Played alone = DecodeAll(game, bytes, 1);
    const Played spread = DecodeAll(game, bytes, threads);
    decode.push_back(alone.seconds);
    decodeSpread.push_back(spread.seconds);
    cores.push_back(alone.seconds / spread.seconds);
    // In CPU time, which other work on the machine leaves alone: what the
    // one-thread switch does besides decoding.
    const double switchCpu = tOne.cpu - stay.cpu;
    share.push_back((switchCpu - alone.cpu) / switchCpu);
  }
  bench::Outcome o;
  o.ours = bench::Median(pool);
  o.peer = bench::Median(one);
  o.ratio = bench::Median(ratio);
  o.rounds = rounds;

  const double d = bench::Median(decode);
  const double rd = bench::Median(read);
  const double f = bench::Median(share);
  const double c = bench::Median(cores);
  std::printf(
      "  one thread %.1f ms from SetScreen to the first normal frame: decoding %.1f ms,\n"
      "  reading %.1f ms, the rest (uploads, progress frames, bookkeeping, first frame) "
      "%.1f ms\n",
      o.peer * 1e3, d * 1e3, rd * 1e3, (o.peer - d - rd) * 1e3);
  std::printf(
      "  serial share %.3f (CPU time); Amdahl, share + (1 - share) / n: 2: %.2f  4: %.2f  "
      "8: %.2f\n",
      f, f + (1 - f) / 2, f + (1 - f) / 4, f + (1 - f) / 8);
  std::printf(
      "  with the serial part overlapping the decodes, max(share, 1/n): 2: %.2f  4: %.2f  "
      "8: %.2f\n",
      std::max(f, 0.5), std::max(f, 0.25), std::max(f, 0.125));
  // Decoding alone is as parallel as work gets here: its speed-up on the
  // pool's threads is the number of cores this run had, whatever the machine has.
  std::printf(
      "  the 40 decodes alone on %d threads: %.1f ms, %.2f cores' worth this run; "
      "share + (1 - share) / %.2f = %.2f\n",
      threads, bench::Median(decodeSpread) * 1e3, c, c, f + (1 - f) / c);
  bench::Report("switch", o, kTarget, "1 thread");

  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
