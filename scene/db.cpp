#include "scene/db.h"

#include <iostream>

#include "platform/confined_files.h"
#include "platform/file_io.h"
#include "platform/path_resolver.h"
#include "platform/user_dirs.h"
#include "resources/audio/sound_system.h"
#include "render/canvas.h"
#include "render/font_store.h"
#include "resources/image_cache.h"
#include "scene/game_file.h"
#include "scene/particles.h"
#include "scene/prop_table.h"
#include "scene/state_file.h"

namespace scene {

namespace {

// Used when the program gives the root no host of its own.
GameHost& DefaultHost() {
  static GameHost host;
  return host;
}

}  // namespace

TQZDB::TQZDB() : TQZElement(nullptr) {
  static const TQZClass* cls = &RegisteredClass("TQZDB");
  BindClass(cls);
  SetRootSelf(this);
  services_.host = &DefaultHost();
}

TQZDB::~TQZDB() {
  // Children refer to the root while they are destroyed.
  DestroyChildren();
}

void TQZDB::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZDB";
  PropTable<TQZDB> t(cls);
  t.Base();
  t.Field("CurKey", PropType::Int32, &TQZDB::CurKey);
  t.Field("InitScreen", PropType::Int32, &TQZDB::InitScreen);
  t.Script("exVarRS", Ev::VarRS);
  t.Script("exInit", Ev::Init);
  t.Script("exAfterLoad", Ev::AfterLoad);
  t.Script("exMouseDown", Ev::MouseDown);
  t.Script("exMouseUp", Ev::MouseUp);
  t.Script("exUpdate", Ev::Update);
  t.Script("exProcess", Ev::Process);
  t.StrFn(
      "FileRS", [](const TQZDB& e) { return e.FileRS(); },
      [](TQZDB& e, const std::string& v) { e.SetFileRS(v); });
  t.StrFn(
      "FileFonts", [](const TQZDB& e) { return e.FileFonts(); },
      [](TQZDB& e, const std::string& v) { e.SetFileFonts(v); });
  t.Field("hxTransLev", PropType::UInt8, &TQZDB::hxTransLev);
  t.StrFn(
      "DefLang", [](const TQZDB& e) { return e.DefLang(); },
      [](TQZDB& e, const std::string& v) { e.SetDefLang(v); });
  t.StrFn(
      "Lang", [](const TQZDB& e) { return e.Lang(); },
      [](TQZDB& e, const std::string& v) { e.SetLang(v); });
  t.Field("LoadingScreen", PropType::Int32, &TQZDB::LoadingScreen);
  t.Field("NotSave", PropType::Bool, &TQZDB::NotSave);
  t.ScriptField("exLoadImProcess", &TQZDB::exLoadImProcess);
  t.StrFn(
      "IniFile", [](const TQZDB& e) { return e.IniFile(); },
      [](TQZDB& e, const std::string& v) { e.SetIniFile(v); });
  t.StrFn(
      "SoundFile", [](const TQZDB& e) { return e.SoundFile(); },
      [](TQZDB& e, const std::string& v) { e.SetSoundFile(v); });
  t.ScriptField("exKeyDown", &TQZDB::exKeyDown);
  t.ScriptField("exExit", &TQZDB::exExit);
  t.Script("exMouseMove", Ev::MouseMove);
  t.OrdFn(
      "MaxMem", PropType::Int32, [](const TQZDB& e) -> int64_t { return e.MaxMem(); },
      [](TQZDB& e, int64_t v) { e.SetMaxMem(static_cast<int32_t>(v)); });
  t.ScriptField("exCheat", &TQZDB::exCheat);
  t.Field("Cheats", PropType::String, &TQZDB::Cheats);
  t.Field("SaveErr", PropType::Bool, &TQZDB::SaveErr);
  t.ScriptField("exSetScreen", &TQZDB::exSetScreen);
  t.OrdFn(
      "AlwaysLoadIm", PropType::Bool, [](const TQZDB& e) -> int64_t { return e.AlwaysLoadIm(); },
      [](TQZDB& e, int64_t v) { e.SetAlwaysLoadIm(v != 0); });
  t.Field("Version", PropType::Int32, &TQZDB::Version);
  t.Script("exMouseIn", Ev::MouseIn);
  t.Script("exMouseOut", Ev::MouseOut);
  t.Field("Tag", PropType::String, &TQZDB::Tag);
  registry.RegisterClass(std::move(cls));
}

void TQZDB::SetServices(const GameServices& services) {
  services_ = services;
  if (!services_.host) services_.host = &DefaultHost();
  ConnectImageCache();
}

void TQZDB::ConnectImageCache() {
  resources::ImageCache* cache = services_.images;
  if (!cache) return;
  cache->SetPack(&pack_);
  cache->SetUserFolder(perUserFolder_);
  cache->SetMaxMem(maxMem_);
  cache->SetAlwaysLoad(alwaysLoadIm_);
  cache->SetLoadingQuery([] { return IsLoading(); });
  cache->SetProgressHook([this] { ImageLoadProgress(); });
}

void TQZDB::SetMaxMem(int32_t bytes) {
  maxMem_ = bytes;
  if (services_.images) services_.images->SetMaxMem(bytes);
}

void TQZDB::SetAlwaysLoadIm(bool on) {
  alwaysLoadIm_ = on;
  if (services_.images) services_.images->SetAlwaysLoad(on);
}

// ---- property setters ---------------------------------------------------------

// FileRS always acts, with the Id the root has at that moment. Names that are
// absolute or climb out of the per-user folder give no save file.
void TQZDB::SetFileRS(const std::string& value) {
  perUserFolder_ = platform::PerUserFolder(Id, platform::GameFiles().Cp());
  platform::SetConfinedUserFolder(perUserFolder_);
  if (services_.images) services_.images->SetUserFolder(perUserFolder_);
  fileRS_ = value;
  saveFile_.reset();
  if (value.empty()) return;
  auto path = platform::ResolveInside(perUserFolder_, value, platform::GameFiles().Cp());
  if (!path) return;
  if (!platform::EnsureFolder(path->parent_path())) return;
  std::error_code ec;
  if (!std::filesystem::exists(*path, ec)) {
    // As opening the file for reading and writing would, an empty save file
    // appears at once.
    if (!platform::AppendToFile(*path, {})) return;
  } else if (!std::filesystem::is_regular_file(*path, ec)) {
    return;
  }
  saveFile_ = *path;
}

void TQZDB::SetIniFile(const std::string& value) {
  if (value == iniFile_) return;
  iniFile_ = value;
  settings_.reset();
  if (auto path = platform::ResolveInside(perUserFolder_, value, platform::GameFiles().Cp())) {
    if (!value.empty()) settings_.emplace(*path, platform::GameFiles().Cp());
  }
  ReadSettings();
}

void TQZDB::ReadSettings() {
  if (!settings_) return;
  // Each key is read in turn; a value that is not an integer stops the
  // reading there, and the window is then left as it is.
  struct Key {
    const char* name;
    const char* def;
  } keys[] = {{"Snd", "100"}, {"Muz", "50"}, {"FS", "1"}, {"SysCursor", "0"}};
  int values[4];
  for (int i = 0; i < 4; ++i) {
    std::string text = settings_->ReadString("Def", keys[i].name, keys[i].def);
    auto v = platform::ParseIntegerText(text);
    if (!v || *v < INT32_MIN || *v > INT32_MAX) return;
    values[i] = static_cast<int>(*v);
    switch (i) {
      case 0: soundVolume_ = values[i]; break;
      case 1: musicVolume_ = values[i]; break;
      case 2: fullScreen_ = values[i] != 0; break;
      case 3: sysCursor_ = values[i] != 0; break;
    }
    if (i == 1 && services_.sound) services_.sound->SetVolumes(soundVolume_, musicVolume_);
  }
  Host().ShowSystemCursor(sysCursor_);
  if (Host().DesktopTooSmall()) fullScreen_ = true;
  if (Host().TestMode()) fullScreen_ = false;
  Host().ApplyWindowMode(fullScreen_);
}

void TQZDB::WriteSetting(const char* key, int value) {
  if (settings_) settings_->WriteString("Def", key, std::to_string(value));
}

void TQZDB::SetLang(const std::string& value) {
  if (value == lang_) return;
  language_.reset();
  std::string name = value;
  auto& files = platform::GameFiles();
  if (!files.Resolve(name)) {
    for (const char* fallback : {"eng.lng", "rus.lng", "deu.lng"}) {
      if (files.Resolve(fallback)) {
        name = fallback;
        break;
      }
    }
  }
  lang_ = name;
  auto path = files.Resolve(name);
  language_ = path ? platform::IniDocument::Load(*path, files.Cp())
                   : platform::IniDocument(files.Cp());
  // The wide reader of unicode mode finds the file by its name alone in the game's folder.
  std::string fileName = name;
  size_t cut = fileName.find_last_of("\\/");
  if (cut != std::string::npos) fileName.erase(0, cut + 1);
  languageFileName_ = fileName;
}

void TQZDB::SetDefLang(const std::string& value) {
  if (value == defLang_) return;
  defLang_ = value;
  auto& files = platform::GameFiles();
  auto path = files.Resolve(value);
  defLanguage_ = path ? platform::IniDocument::Load(*path, files.Cp())
                      : platform::IniDocument(files.Cp());
}

void TQZDB::SetSoundFile(const std::string& value) {
  if (value == soundFile_) return;
  soundFile_ = value;
  soundTable_.reset();
  auto& files = platform::GameFiles();
  auto path = files.Resolve(value);
  bool existed = false;
  if (path) {
    auto doc = platform::IniDocument::Load(*path, files.Cp(), &existed);
    if (existed) soundTable_ = std::move(doc);
  }
}

void TQZDB::SetFileFonts(const std::string& value) {
  if (value == fileFonts_) return;
  fileFonts_ = value;
  ReloadFonts();
}

void TQZDB::ReloadParticleSheet() {
  if (services_.images) particleSheet_ = services_.images->RequestImage("particles.bmp", true);
}

void TQZDB::UpdateStars() { stars_.Update(); }

void TQZDB::DrawStars(int32_t layer) {
  if (stars_.ActiveCount() == 0 || !services_.canvas || !services_.images || !particleSheet_)
    return;
  // Asked at every draw: the cache may have replaced the texture since.
  render::RenderImage* sheet = services_.images->TextureOf(particleSheet_);
  if (!sheet) return;
  services_.canvas->SetSmoothing(true);
  stars_.Draw(layer, *services_.canvas, sheet);
}

void TQZDB::ReloadFonts() {
  render::FontStore* fonts = services_.fonts;
  if (!fonts) return;
  fonts->ReleaseFonts();
  if (fileFonts_.empty()) return;
  if (auto path = platform::GameFiles().Resolve(fileFonts_)) fonts->LoadFontArchive(path->string());
}

// ---- loading --------------------------------------------------------------------

GameFileReport TQZDB::LoadGameData(std::span<const uint8_t> data) {
  hovered_ = pressed_ = cursorElement_ = currentScreen_ = pendingScreen_ = nullptr;
  focusedText_ = nullptr;
  DestroyChildren();
  SetLoading(true);
  GameFileReport report = ReadGameFile(*this, data);
  SetLoading(false);
  return report;
}

void TQZDB::SetParticleManager(std::unique_ptr<TXParticleManager> manager) {
  particleManager_ = std::move(manager);
}

void TQZDB::LoadGame() {
  hovered_ = pressed_ = cursorElement_ = currentScreen_ = pendingScreen_ = nullptr;
  focusedText_ = nullptr;
  DestroyChildren();
  auto& files = platform::GameFiles();
  auto gamePath = files.Resolve(gameFileName_);
  if (!gamePath) return;
  std::string packName = gameFileName_.size() >= 4
                             ? gameFileName_.substr(0, gameFileName_.size() - 4) + ".qst"
                             : std::string(".qst");
  if (auto packPath = files.Resolve(packName)) {
    pack_.Open(*packPath);
    // What was read whole stays usable; the author hears of the damage.
    if (!pack_.ReadDirectory() && pack_.HasStream())
      std::cerr << "qazmir: warning: " << packPath->filename().string()
                << " has a damaged directory: " << pack_.Entries().size()
                << " entries read, reading stopped at byte " << pack_.DirectoryStoppedAt() << " of "
                << pack_.FileSize() << "\n";
  } else {
    pack_.Close();
  }
  if (services_.images && services_.canvas && !particleSheet_)
    particleSheet_ = services_.images->RequestImage("particles.bmp", true);
  if (services_.canvas && !particleManager_)
    particleManager_ = std::make_unique<TXParticleManager>(services_.canvas);
  if (particleManager_) particleManager_->SetSheet(particleSheet_);
  auto bytes = platform::ReadWholeFile(*gamePath);
  if (!bytes) return;
  GameFileReport report =
      LoadGameData({reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()});
  if (report.stoppedAt)
    std::cerr << "qazmir: warning: " << gamePath->filename().string()
              << " is cut short or damaged: " << report.elements << " elements read, reading stopped at byte "
              << *report.stoppedAt << " of " << bytes->size() << "\n";
  SetUpUnicode();
}

// ---- state --------------------------------------------------------------------------

void TQZDB::SaveState() {
  if (!saveFile_) return;
  StateHooks hooks;
  hooks.ResetClock = [this] { Host().ResetClock(); };
  WriteState(*this, *saveFile_, hooks);
}

void TQZDB::LoadState() {
  if (!saveFile_) return;
  StateHooks hooks;
  hooks.ResetClock = [this] { Host().ResetClock(); };
  // Pictures named by the records are only registered and counted while the
  // file is read; they load when first drawn or by the next switch.
  hooks.SetLoadNow = [this](bool on) {
    if (services_.images) services_.images->SetLoadNow(on);
  };
  ReadState(*this, *saveFile_, hooks);
}

bool TQZDB::TakeAddressOpening() {
  constexpr int64_t kStepsBetweenOpenings = 30;
  const int64_t now = Host().Steps();
  if (addressOpened_ && now - addressOpenedAt_ < kStepsBetweenOpenings) return false;
  addressOpened_ = true;
  addressOpenedAt_ = now;
  return true;
}

// ---- events ---------------------------------------------------------------------------

void TQZDB::DoProcess() { RunScript(Script(Ev::Process), "Process"); }

void TQZDB::ClearInitialised(TQZElement& e) {
  e.Initialised = false;
  for (size_t i = 0; i < e.ChildCount(); ++i) ClearInitialised(*e.Child(i));
}

void TQZDB::DoReinit() {
  ClearInitialised(*this);
  DoInit();
}

void TQZDB::Exit() { RunScript(exExit, "Exit"); }

}  // namespace scene
