// A screen switch whose pictures are decoded ahead on worker threads shows the
// game exactly what the one-thread switch shows: the counters at every
// progress step, the progress frames, the pictures (pixels, patterns, boxes,
// failures), memory accounting and budget trims, the log and the per-user
// folder. Pictures come loose and from the pack, as PNG, JPEG and BMP, whole
// and damaged, with sprite sheets, masks and views; the switch also loads an
// element that comes before the new screen in the root's children, so the
// loads do not follow the registration order throughout.

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/numeric.h"
#include "platform/path_resolver.h"
#include "render/canvas2d.h"
#include "render/frame.h"
#include "render/image_store.h"
#include "render/render_image.h"
#include "resources/image_cache.h"
#include "resources/image_files.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/script_runner.h"
#include "scriptlib/natives.h"
#include "support/test_support.h"
#include "support/thread_starts.h"

namespace scriptlib_test {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr int32_t kLoader = 40;
// Above the smallest budget that trims: eight 1024 x 1024 pictures exceed it by 10%.
constexpr int32_t kMaxMem = 26'000'000;

uint32_t Halo(int x, int y) {
  return (static_cast<uint32_t>((x * 9 + y * 5) & 0xFF) << 24) | 0x3060A0u;
}

std::string Bmp8(int w, int h) {
  test_images::BmpOptions o;
  o.bpp = 8;
  o.palette.assign(256, 0xFF000000u);
  return test_images::MakeBmp(
      w, h, [](int x, int y) { return static_cast<uint32_t>(x * 20 + y * 3); }, o);
}
std::string Bmp32(int w, int h) {
  return test_images::MakeBmp(w, h, Halo, test_images::ArgbBitFields());
}

struct Picture {
  std::string name;  // as the element asks for it
  std::string file;  // written as a loose file ("" none), or into the pack when it starts with "@"
  std::string bytes;
};

// The game's pictures, in the order the new screen holds them.
std::vector<Picture> ScreenPictures() {
  const std::string png = test_images::MakePng(60, 40, test_images::OpaquePattern);
  // First, so that the trim they cause releases the oldest of them and none of the rest.
  std::vector<Picture> p;
  for (int i = 0; i < 8; ++i) {
    const std::string name = "big" + std::to_string(i) + ".png";
    p.push_back(
        {name, (i % 2 ? "@" + platform::AsciiUpper(name) : name),
         test_images::MakePng(1024, 1024, [i](int, int) { return 0xFF000000u | i * 0x102030u; })});
  }
  std::vector<Picture> rest = {
      {"a.png", "a.png", png},
      {"B.jpg", "b.jpg", test_images::MakeJpeg(48, 32, test_images::OpaquePattern)},
      {"c.bmp", "c.bmp", test_images::MakeBmp(30, 20, test_images::OpaquePattern)},
      {"tree.bmp", "tree.bmp", Bmp8(24, 16)},
      {"", "tree_.jpg", test_images::MakeJpeg(24, 16, test_images::OpaquePattern)},
      {"leaf_1.jpg", "leaf_1.jpg", test_images::MakeJpeg(20, 12, test_images::OpaquePattern)},
      {"", "leaf.bmp", Bmp8(20, 12)},
      {"*halo.bmp", "halo.bmp", Bmp32(16, 16)},
      {"#c.bmp", "", ""},
      {"*#halo.bmp", "", ""},
      {"ball.png", "ball.png", test_images::MakePng(64, 32, Halo)},
      {"", "ball.an", "4\r\n2\r\n"},
      {"cut.png", "cut.png", png.substr(0, png.size() / 2)},
      {"noise.jpg", "noise.jpg", "\xFF\xD8\xFF\xE0 garbage"},
      {"missing.png", "", ""},
      {"p1.png", "@P1.PNG", test_images::MakePng(50, 30, Halo)},
      {"Art\\p2.jpg", "@ART\\P2.JPG", test_images::MakeJpeg(36, 24, test_images::OpaquePattern)},
      {"sheet.png", "@SHEET.PNG", test_images::MakePng(40, 40, test_images::OpaquePattern)},
      {"", "@SHEET.AN", "2\n5\n"},
      {"bad.png", "@BAD.PNG", png.substr(0, 40)},
      {"a.png", "", ""},  // asked twice: loaded once
  };
  p.insert(p.end(), rest.begin(), rest.end());
  return p;
}

// One way to run the switch: threads, pixel budget, workers that can start,
// and who completes it.
struct Setting {
  int threads;
  int64_t pixelBytes;
  int canStart;            // -1: all
  bool frameLoop = false;  // no loading screen: the frame loop completes the switch
};

// Everything the game, or a player, can see of the switch.
std::string Observe(const resources::ImageCache& cache, int frames, const scene::TQZDB& root,
                    const fs::path& log, const fs::path& users) {
  std::string out = "progress " + root.Tag + "\nframes " + std::to_string(frames) + " needed " +
                    std::to_string(cache.NeededImages()) + " loaded " +
                    std::to_string(cache.LoadedImages()) + " memory " +
                    std::to_string(cache.UsedMemory()) + "\n";
  for (const auto& e : cache.Entries()) {
    const auto& b = e->Box();
    out += e->Name() + (e->Failed() ? " failed" : "") + (e->Kept() ? " kept" : "") + " refs " +
           std::to_string(e->ReferenceCount()) + " size " + std::to_string(e->Size()) + " used " +
           std::to_string(e->LastUsed()) + " box " + std::to_string(b.left) + "," +
           std::to_string(b.top) + "," + std::to_string(b.right) + "," + std::to_string(b.bottom);
    if (const render::RenderImage* t = e->Texture()) {
      uint64_t hash = 1469598103934665603ull;
      for (int i = 0; i < t->PatternCount(); ++i)
        for (int y = 0; y < t->PatternHeight(); ++y)
          for (int x = 0; x < t->PatternWidth(); ++x)
            hash = (hash ^ render::ImageStore::ReadPixel(t, x, y, i)) * 1099511628211ull;
      out += " texture " + std::to_string(t->PatternCount()) + "x" +
             std::to_string(t->PatternWidth()) + "x" + std::to_string(t->PatternHeight()) + " " +
             std::to_string(hash);
    }
    out += "\n";
  }
  out += "log\n" + (fs::exists(log) ? ReadFile(log) : std::string());
  for (const auto& f : fs::directory_iterator(users)) out += "left " + f.path().filename().string();
  return out;
}

class SwitchAhead : public ::testing::Test {
 protected:
  void SetUp() override {
    resources::PackWriter pack;
    for (const Picture& p : ScreenPictures()) {
      if (!p.name.empty()) names_.push_back(p.name);
      if (p.file.empty()) continue;
      if (p.file[0] == '@') {
        pack.Add(p.file.substr(1), p.bytes);
      } else {
        WriteFile(game_ / p.file, p.bytes);
      }
    }
    packBytes_ = pack.Finish();
    fs::create_directories(users_);
    platform::GameFiles().Reset(game_.Path(), platform::CodePage::Default());
    scriptlib::RegisterNativesInPool();
    scene::SetLoading(false);
  }
  void TearDown() override {
    scene::SetLoading(false);
    Runner().SetRoot(nullptr);
    Runner().Host().SetLogPath("qazmir.err");
    platform::GameFiles().Reset(".", platform::CodePage::Default());
  }
  static scene::ScriptRunner& Runner() { return scene::ScriptRunner::Instance(); }

  // Builds the game, switches with SetScreen and completes the switch with
  // the loading screen's LoadIm, or as the frame loop does for a game without
  // one; what the game can see afterwards.
  std::string Switch(const Setting& s, resources::DecodePool::Stats& stats) {
    struct Host : scene::GameHost {
      int frames = 0;
      void RenderFrame(bool) override { ++frames; }
    } host;
    render::Frame frame;
    render::Canvas2D canvas{frame};
    render::ImageStore store;
    resources::ImageCache cache{store};
    cache.SetDecodeAhead({.threads = s.threads, .pixelBytes = s.pixelBytes},
                         testing_support::StartAtMost(s.canStart));
    scene::TQZDB root;
    root.SetServices({&host, &canvas, nullptr, &cache, nullptr});
    root.Pack().OpenBytes(packBytes_);
    EXPECT_TRUE(root.Pack().ReadDirectory());
    cache.SetUserFolder(users_);
    const fs::path log =
        game_ / ("log" + std::to_string(s.threads) + "-" + std::to_string(s.pixelBytes) + "-" +
                 std::to_string(s.canStart) + (s.frameLoop ? "-loop" : ""));
    Runner().SetRoot(&root);
    Runner().Host().SetLogPath(log);

    root.SetId("G");
    root.SetKey(1);
    root.SetMaxMem(kMaxMem);
    root.SaveErr = true;
    root.LoadingScreen = s.frameLoop ? 0 : kLoader;
    root.SetScriptText(
        root.exLoadImProcess,
        "QZDB.TAG := QZDB.TAG + IntToStr(IMFORLOADCOUNT) + '/' + "
        "IntToStr(IMFORLOADPOS) + ' '; IF IMFORLOADPOS = 3 THEN QZDB.NOSUCH.TAG := 1");
    cache.SetLoadNow(false);
    auto screen = [&](const char* id, int32_t key, std::vector<std::string> pictures) {
      scene::TQZElement* sc = root.CreateChild("TQZScreen");
      sc->SetId(id);
      sc->SetKey(key);
      for (size_t i = 0; i < pictures.size(); ++i) {
        auto* image = dynamic_cast<scene::TQZImage*>(sc->CreateChild("TQZImage"));
        image->SetKey(key * 100 + static_cast<int32_t>(i));
        image->SetImImage(pictures[i]);
      }
      return sc;
    };
    scene::TQZElement* old = screen("Old", 10, {"c.bmp"});
    screen("Extra", 15, {"p1.png", "extra.jpg", "b.JPG"});
    screen("Big", 20, names_);
    scene::TQZElement* loader = screen("Loader", kLoader, {"loader.png"});
    loader->SetScriptText(loader->Script(scene::Ev::Process), "LoadIm; EndLoadIm");
    cache.SetLoadNow(true);
    root.SetCurrentScreen(old);
    old->LoadResources();
    cache.SetTick(5);

    root.SetScriptText(root.Script(scene::Ev::Process), "SetScreen(QZDB.BIG, QZDB.EXTRA)");
    root.DoProcess();
    cache.SetTick(6);
    if (s.frameLoop) {
      root.CompleteScreenSwitch();
      scene::SetLoading(false);
    } else {
      loader->DoProcess();
    }
    EXPECT_FALSE(scene::IsLoading());
    stats = cache.LastDecodeAhead();
    std::string seen = Observe(cache, host.frames, root, log, users_);
    Runner().SetRoot(nullptr);
    return seen;
  }

  TempDir game_;
  fs::path users_ = game_ / "user";
  std::vector<std::string> names_;  // the new screen's pictures
  std::string packBytes_;
};

TEST_F(SwitchAhead, EveryPoolSizeShowsTheGameTheSameSwitch) {
  constexpr int64_t kDefaultBudget = int64_t{256} << 20;
  resources::DecodePool::Stats stats;
  // The one-thread switch, completed by LoadIm and by the frame loop.
  const std::string byLoadIm = Switch({1, kDefaultBudget, -1}, stats);
  EXPECT_EQ(stats.workers, 0);
  const std::string byFrameLoop = Switch({1, kDefaultBudget, -1, true}, stats);
  EXPECT_EQ(stats.workers, 0);
  // The references themselves show what the rows compare: trims, failures,
  // sheets, the log.
  for (const std::string& reference : {byLoadIm, byFrameLoop}) {
    EXPECT_NE(reference.find("BAD.PNG failed"), std::string::npos) << reference;
    EXPECT_NE(reference.find("BALL.PNG refs 1 size 8192 used 6 box 0,0,63,31 texture 8x16x16"),
              std::string::npos)
        << reference;
    EXPECT_NE(reference.find("SHEET.PNG refs 1 size 6400 used 6 box 0,0,39,39 texture 10x20x8"),
              std::string::npos)
        << reference;
    EXPECT_NE(reference.find("NOSUCH"), std::string::npos) << reference;
    EXPECT_NE(reference.find("BIG0.PNG refs 1 size 4194304 used 6 box 0,0,1023,1023\n"),
              std::string::npos)
        << "the budget trimmed\n"
        << reference;
  }

  struct Row {
    Setting setting;
    bool decodesAhead;
  };
  for (const Row& row : std::vector<Row>{{{2, kDefaultBudget, -1}, true},
                                         {{4, kDefaultBudget, -1}, true},
                                         {{4, 5'000'000, -1}, true},  // one big picture at a time
                                         {{4, kDefaultBudget, 1}, true},
                                         {{2, kDefaultBudget, 0}, false},
                                         {{2, kDefaultBudget, -1, true}, true},
                                         {{8, 5'000'000, -1, true}, true}}) {
    const Setting& s = row.setting;
    const std::string what =
        std::to_string(s.threads) + " threads, " + std::to_string(s.pixelBytes) + " bytes, " +
        std::to_string(s.canStart) + " can start" + (s.frameLoop ? ", frame loop" : ", LoadIm");
    EXPECT_EQ(Switch(s, stats), s.frameLoop ? byFrameLoop : byLoadIm) << what;
    const int workers = s.canStart < 0 ? s.threads : s.canStart;
    EXPECT_EQ(stats.workers, workers) << what;
    EXPECT_EQ(stats.decodedByWorkers + stats.decodedByMain > 0, row.decodesAhead) << what;
    EXPECT_LE(stats.mostAhead, 2 * workers) << what;
    EXPECT_LE(stats.mostHeldBytes, s.pixelBytes) << what;
  }
}

}  // namespace
}  // namespace scriptlib_test
