// Loading goal: a generated game file of 100,000 elements, each with an event
// script, loaded completely (tree built, every script prepared, every image
// registered) against Lua's load() of the same scripts, in the same process
// (see side_by_side.h). Target: at most 0.35 of Lua's time.
//
// The game: the root, 100 screens (a background image and a show script
// each) and 999 images on each screen (a picture out of 20,000 names and a
// mouse-down script each). The scripts are the typical event code of
// script_corpus.h, every one different. Options: --quick.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/script_corpus.h"
#include "bench/side_by_side.h"
#include "platform/byte_reader.h"
#include "render/image_store.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/element.h"
#include "scene/script_runner.h"
#include "scriptlib/natives.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

namespace {

int g_rounds = bench::kDefaultRounds;
int g_screens = 100;
constexpr int kImagesPerScreen = 999;
constexpr int kPictureNames = 20'000;

// One game file record: the class's published properties in order, with the
// constructor defaults of a template element except for the given values.
class RecordWriter {
 public:
  RecordWriter() { templates_ = std::make_unique<scene::TQZDB>(); }

  std::string Record(const std::string& className, const std::map<std::string, std::string>& text,
                     int32_t key, const std::vector<std::string>& children) {
    const scene::TQZElement& t = Template(className);
    platform::ByteWriter w;
    w.LString(className);
    const auto& props = t.Class().Props;
    w.I32LE(static_cast<int32_t>(props.size()));
    for (const scene::TQZProp& p : props) {
      switch (p.Kind()) {
        case scene::PropKind::Ordinal:
          w.I32LE(p.Name == "Key" ? key : static_cast<int32_t>(p.GetOrd(t)));
          break;
        case scene::PropKind::Float:
          w.F64LE(p.GetFloat(t));
          break;
        case scene::PropKind::String: {
          auto it = text.find(p.Name);
          w.LString(it != text.end() ? it->second : p.GetStr(t));
          break;
        }
      }
    }
    for (const std::string& c : children) w.LString(c);
    return w.Data();
  }

 private:
  const scene::TQZElement& Template(const std::string& className) {
    if (className == "TQZDB") return *templates_;
    scene::TQZElement* parent = templates_.get();
    if (className == "TQZImage") {
      if (!screen_) screen_ = templates_->CreateChild("TQZScreen");
      parent = screen_;
    }
    auto& e = byClass_[className];
    if (!e) e = parent->CreateChild(className);
    return *e;
  }
  std::unique_ptr<scene::TQZDB> templates_;
  scene::TQZElement* screen_ = nullptr;
  std::map<std::string, scene::TQZElement*> byClass_;
};

struct GeneratedGame {
  std::string bytes;
  std::vector<std::string> luaChunks;
  int elements = 0;
  int scripts = 0;
};

GeneratedGame Generate() {
  GeneratedGame g;
  RecordWriter writer;
  int key = 1;
  int scriptIndex = 0;
  auto nextScript = [&](std::string& pascal) {
    bench::EventScriptPair p = bench::EventScript(scriptIndex++);
    pascal = std::move(p.pascal);
    g.luaChunks.push_back(std::move(p.lua));
    ++g.scripts;
  };
  std::vector<std::string> screens;
  for (int s = 0; s < g_screens; ++s) {
    std::vector<std::string> images;
    for (int i = 0; i < kImagesPerScreen; ++i) {
      std::string script;
      nextScript(script);
      const int picture = (s * kImagesPerScreen + i) % kPictureNames;
      images.push_back(writer.Record("TQZImage",
                                     {{"Id", "Img" + std::to_string(i)},
                                      {"imImage", "items\\pic" + std::to_string(picture) + ".png"},
                                      {"exMouseDown", script}},
                                     key++, {}));
      ++g.elements;
    }
    std::string script;
    nextScript(script);
    screens.push_back(writer.Record(
        "TQZScreen",
        {{"Id", "Screen" + std::to_string(s)},
         {"ImBack", "backs\\back" + std::to_string(s) + ".jpg"},
         {"exShow", script}},
        key++, images));
    ++g.elements;
  }
  std::string script;
  nextScript(script);
  g.bytes = writer.Record("TQZDB", {{"Id", "Bench"}, {"exInit", script}}, key++, screens);
  ++g.elements;
  return g;
}

// Elements in the tree and non-empty prepared scripts among them.
void Count(scene::TQZElement& e, int& elements, int& scripts) {
  ++elements;
  for (const script::ScriptSlot& slot : e.Scripts) scripts += slot.Empty() ? 0 : 1;
  for (scene::TQZElement* c : e.Children()) Count(*c, elements, scripts);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      g_rounds = 3;
      g_screens = 10;
    }
  }
  const char* name = "load";
  const double target = 0.35;
  scriptlib::RegisterNativesInPool();
  const GeneratedGame game = Generate();
  std::printf("%-26s %d elements, %d scripts, game file %.1f MB\n", name, game.elements,
              game.scripts, static_cast<double>(game.bytes.size()) / 1e6);

  // Ours: a root with an image cache, loaded as the player loads a game
  // (load-now off: image names are registered, no pixels are read).
  render::ImageStore store;
  std::unique_ptr<resources::ImageCache> cache;
  std::unique_ptr<scene::TQZDB> root;
  auto fresh = [&] {
    root.reset();
    cache = std::make_unique<resources::ImageCache>(store);
    cache->SetLoadNow(false);
    root = std::make_unique<scene::TQZDB>();
    scene::GameServices services;
    services.images = cache.get();
    root->SetServices(services);
  };
  auto ours = [&] {
    root->LoadGameData({reinterpret_cast<const uint8_t*>(game.bytes.data()), game.bytes.size()});
  };

  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  int luaLoaded = 0;
  auto theirs = [&] {
    lua_createtable(L, static_cast<int>(game.luaChunks.size()), 0);
    luaLoaded = 0;
    for (const std::string& s : game.luaChunks) {
      if (luaL_loadbuffer(L, s.data(), s.size(), "event") == LUA_OK) {
        lua_rawseti(L, -2, ++luaLoaded);
      } else {
        lua_pop(L, 1);
      }
    }
    lua_pop(L, 1);
  };

  fresh();
  ours();
  theirs();
  int elements = 0, scripts = 0;
  Count(*root, elements, scripts);
  const size_t images = cache->Entries().size();
  std::printf("%-26s loaded %d elements, %d scripts prepared, %zu image names; Lua loaded %d\n",
              name, elements, scripts, images, luaLoaded);
  const size_t expectedImages =
      static_cast<size_t>(std::min(g_screens * kImagesPerScreen, kPictureNames) + g_screens);
  if (elements != game.elements || scripts != game.scripts || luaLoaded != game.scripts ||
      images != expectedImages) {
    bench::ReportFailure(name, target, "the game did not load whole");
    lua_close(L);
    return 0;
  }
  // A fresh root and cache for each round, made (and the last ones freed)
  // outside the timed runs; Lua collects the previous round's chunks first.
  const bench::Outcome o = bench::Alternate(
      [&] {
        ours();
      },
      [&] {
        theirs();
      },
      g_rounds, {fresh, [&] { lua_gc(L, LUA_GCCOLLECT); }});
  bench::Report(name, o, target, "Lua load()");
  lua_close(L);
  return 0;
}
