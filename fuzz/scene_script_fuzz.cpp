// Any bytes as event scripts of a real game tree: every element class, the
// native table, the image cache over a game folder, a software canvas, a
// save file and a settings file in a per-user folder, and a statement budget.
// The input is split at "\x01" into up to four scripts: the root's exProcess,
// the root's exInit, the door picture's mouse-down and the hall's exProcess.
// The game then starts, runs a few steps with pointer, key and character
// input, draws each frame as the frame loop does, and closes.
//
// Nothing may crash, hang or exhaust memory: the budget, the call depth, the
// nesting of runs and the caps on texts must hold whatever the scripts do.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_folder.h"
#include "platform/path_resolver.h"
#include "platform/random.h"
#include "platform/user_dirs.h"
#include "render/canvas2d.h"
#include "render/frame.h"
#include "render/image_store.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/effect_params.h"
#include "scene/element.h"
#include "scene/layers.h"
#include "scene/particles.h"
#include "scene/script_runner.h"
#include "scriptlib/natives.h"

namespace {

using script::Value;

constexpr uint64_t kBudget = 20000;

// A 24-bit BMP with a gradient (the particle sheet must be a BMP; the other
// pictures are BMPs too, so no picture needs a second library here).
std::string SolidBmp(int width, int height, uint32_t rgb) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const uint32_t dataSize = static_cast<uint32_t>(rowBytes * height);
  std::string b = "BM";
  auto u16 = [&](uint32_t v) {
    b.push_back(static_cast<char>(v));
    b.push_back(static_cast<char>(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  u32(54 + dataSize);
  u32(0);
  u32(54);
  u32(40);
  u32(static_cast<uint32_t>(width));
  u32(static_cast<uint32_t>(height));
  u16(1);
  u16(24);
  for (uint32_t v : {0u, dataSize, 2835u, 2835u, 0u, 0u}) u32(v);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      b.push_back(static_cast<char>(rgb + x));
      b.push_back(static_cast<char>((rgb >> 8) + y));
      b.push_back(static_cast<char>(rgb >> 16));
    }
    b.append(static_cast<size_t>(rowBytes - width * 3), '\0');
  }
  return b;
}

struct World {
  std::filesystem::path game, users;
  render::Frame frame{1024, 768};
  render::Canvas2D canvas{frame};

  World() {
    game = fuzzing::ScratchFolder() / "game";
    users = fuzzing::ScratchFolder() / "users";
    std::filesystem::create_directories(game / "fx");
    std::filesystem::create_directories(users);
    fuzzing::PutFile(game / "door.bmp", SolidBmp(40, 30, 0x204080));
    fuzzing::PutFile(game / "man.bmp", SolidBmp(16, 24, 0x808000));
    fuzzing::PutFile(game / "man.an", "2\r\n1\r\n");
    fuzzing::PutFile(game / "particles.bmp", SolidBmp(32, 32, 0xC0C0C0));
    fuzzing::PutFile(game / "eng.lng",
                     "[Default]\r\nTitle=Fuzz\r\nHello=Hi %s\r\n[Menu]\r\nA=1\r\n");
    scene::TEffectParams p;
    p.Rate = 200;
    p.Duration = 2;
    p.LifeA = 0.5f;
    p.LifeB = 1;
    p.SpeedA = 10;
    p.SpeedB = 40;
    p.SizeStart = p.SizeMid = p.SizeEnd = 1;
    p.ColourStart = p.ColourMid = p.ColourEnd = 0xFFFFFFFF;
    p.MidFraction = 0.5f;
    const auto block = scene::EncodeEffectParams(p);
    fuzzing::PutFile(game / "fx" / "sparks.eff",
                     std::string_view(reinterpret_cast<const char*>(block.data()), block.size()));

    platform::GameFiles().Reset(game, platform::CodePage::Default());
    platform::SetUserDataHomeOverride(users);
    scriptlib::SetAddressSpawner([](const std::vector<std::string>&) { return true; });
    scene::ScriptRunner& runner = scene::ScriptRunner::Instance();
    runner.Host().SetLogPath("/dev/null");
    scriptlib::RegisterNativesInPool();
    runner.SetStatementBudget(kBudget);
  }
};

class Host : public scene::GameHost {
 public:
  explicit Host(std::function<void()> render) : render_(std::move(render)) {}
  void RenderFrame(bool) override {
    // Scripts may ask for frames from inside frames; draw the outermost only.
    if (drawing_ || ++frames_ > 50) return;
    drawing_ = true;
    render_();
    drawing_ = false;
  }

 private:
  std::function<void()> render_;
  bool drawing_ = false;
  int frames_ = 0;
};

scene::TQZElement* Add(scene::TQZElement* parent, const char* cls, const char* id, int32_t key) {
  scene::TQZElement* e = parent->CreateChild(cls);
  if (!e) std::abort();
  e->SetId(id);
  e->SetKey(key);
  return e;
}

void Set(scene::TQZElement* e, const char* name, Value v) {
  if (!e->SetValue(name, v)) std::abort();
}

// The frame loop's drawing of the current screen, layer by layer.
void Draw(scene::TQZDB& root) {
  if (scene::IsLoading()) return;
  if (scene::TQZElement* screen = root.CurrentScreen()) {
    for (int32_t layer : scene::LayersToVisit(root.MinOrder, root.MaxOrder, root, &root.Stars())) {
      screen->Paint(layer, 0xFFFFFFFF, 0, 0, 0);
      root.DrawStars(layer);
    }
  }
  root.DrawStars(1000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World world;
  std::vector<std::string> scripts(4);
  {
    size_t part = 0;
    for (size_t i = 0; i < size; ++i) {
      if (data[i] == 1 && part + 1 < scripts.size()) {
        ++part;
        continue;
      }
      scripts[part].push_back(static_cast<char>(data[i]));
    }
  }
  platform::GlobalRandom().Seed(size);
  scene::SetLoading(false);

  render::ImageStore store;
  resources::ImageCache cache(store);
  auto root = std::make_unique<scene::TQZDB>();
  Host host([&] { Draw(*root); });
  root->SetServices({&host, &world.canvas, nullptr, &cache, nullptr});
  scene::ScriptRunner::Instance().SetRoot(root.get());
  root->SetParticleManager(std::make_unique<scene::TXParticleManager>(&world.canvas));
  root->ReloadParticleSheet();
  root->ParticleManager()->SetSheet(root->ParticleSheet());

  // The tree of the "allclasses" test game.
  root->SetId("Fuzz");
  root->SetKey(1);
  Set(root.get(), "Lang", Value::String("eng.lng"));
  Set(root.get(), "FileRS", Value::String("save.dat"));
  Set(root.get(), "IniFile", Value::String("settings.ini"));
  Set(root.get(), "Cheats", Value::String("xyz;abc"));
  Set(root.get(), "InitScreen", Value::Integer(10));
  scene::TQZElement* hall = Add(root.get(), "TQZScreen", "Hall", 10);
  Set(hall, "SizeX", Value::Integer(1024));
  Set(hall, "SizeY", Value::Integer(768));
  scene::TQZElement* door = Add(hall, "TQZImage", "Door", 11);
  Set(door, "imImage", Value::String("door.bmp"));
  Set(door, "rX", Value::Real(100));
  Set(door, "rY", Value::Real(200));
  Set(door, "Order", Value::Integer(1));
  scene::TQZElement* label = Add(door, "TQZText", "Label", 12);
  Set(label, "Text", Value::String("Door"));
  scene::TQZElement* box = Add(hall, "TQZShape", "Box", 13);
  Set(box, "Par2", Value::Integer(90));
  scene::TQZElement* inv = Add(hall, "TQZImList", "Inv", 14);
  Set(inv, "ColCount", Value::Integer(5));
  Set(inv, "RowCount", Value::Integer(1));
  Set(inv, "SizeX", Value::Integer(500));
  Set(inv, "SizeY", Value::Integer(100));
  Add(hall, "TQZExScreen", "Panel", 15)->SetValue("obScreen", Value::Integer(20));
  Add(hall, "TQZExAnim", "Walker", 16)->SetValue("obAnim", Value::Integer(30));
  scene::TQZElement* sparks = Add(hall, "TQZEffect", "Sparks", 17);
  Set(sparks, "EffectFN", Value::String("fx\\sparks.eff"));
  Set(sparks, "DAnim", Value::Real(30));
  Set(sparks, "Active", Value::Boolean(true));
  scene::TQZElement* panel = Add(root.get(), "TQZScreen", "PanelScreen", 20);
  Add(panel, "TQZImage", "Knob", 21)->SetValue("imImage", Value::String("door.bmp"));
  scene::TQZElement* walk = Add(root.get(), "TQZAnim", "Walk", 30);
  Set(walk, "Rep", Value::Boolean(true));
  scene::TQZElement* k1 = Add(walk, "TQZAnKey", "K1", 31);
  Set(k1, "Count", Value::Integer(5));
  Add(k1, "TQZImage", "Man", 32)->SetValue("imImage", Value::String("man.bmp"));
  Set(Add(walk, "TQZAnKey", "K2", 33), "Count", Value::Integer(9));
  root->CurKey = 33;

  root->SetScriptText(root->Script(scene::Ev::Process), scripts[0]);
  root->SetScriptText(root->Script(scene::Ev::Init), scripts[1]);
  door->SetScriptText(door->Script(scene::Ev::MouseDown), scripts[2]);
  hall->SetScriptText(hall->Script(scene::Ev::Process), scripts[3]);

  // Start-up, as the frame loop's intro ends.
  root->SetCurrentScreen(root->FindByKey(root->InitScreen));
  root->DoInit();
  if (scene::TQZElement* screen = root->CurrentScreen()) {
    screen->LoadResources();
    screen->DoShow();
  }
  static const int kMoves[][2] = {{120, 215}, {5, 5}, {110, 210}, {600, 40}};
  for (int step = 0; step < 4 && !root->ExitRequested(); ++step) {
    Draw(*root);
    root->PointerMove(kMoves[step][0], kMoves[step][1]);
    if (step == 1) root->ButtonDown(115, 212);
    if (step == 2) root->ButtonUp(115, 212);
    if (step == 3) {
      root->KeyDown(13);
      for (char c : std::string("xyzq")) root->CharInput(static_cast<uint8_t>(c));
    }
    if (scene::IsLoading()) {
      root->CompleteScreenSwitch();
      scene::SetLoading(false);
      continue;
    }
    if (scene::TQZElement* screen = root->CurrentScreen()) screen->DoProcess();
    root->UpdateStars();
    if (scene::TQZElement* cursor = root->CursorElement()) cursor->DoProcess();
    root->DoProcess();
  }
  root->Exit();
  scene::SetLoading(false);
  scene::ScriptRunner::Instance().SetRoot(nullptr);
  root.reset();
  return 0;
}
