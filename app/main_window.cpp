#include "app/main_window.h"

#include <SDL.h>
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <iostream>

#include "app/game_library.h"
#include "app/game_location.h"
#include "app/script_setup.h"
#include "app/window_loop.h"
#include "platform/codepage.h"
#include "platform/confined_files.h"
#include "platform/file_io.h"
#include "platform/path_resolver.h"
#include "platform/random.h"
#include "platform/user_dirs.h"
#include "render/device.h"
#include "render/font_store.h"
#include "render/frame_timer.h"
#include "render/image_store.h"
#include "render/render_device.h"
#include "resources/audio/audio_library.h"
#include "resources/audio/audio_output.h"
#include "resources/audio/sound_system.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/game_file.h"
#include "scene/script_runner.h"
#include "scriptlib/date_time.h"

namespace app {

namespace {

constexpr uint32_t kExpectedAudioVersion = 0x20002;
constexpr int kFrameWidth = 1024;
// What the window's frame adds to its client width; a desktop narrower than
// the client area plus this cannot show the window.
constexpr int kWindowBorders = 2;

const platform::CodePage& GameCodePage(const PlayerOptions& o) {
  const platform::CodePage* cp = platform::CodePage::Find(o.codepage);
  return cp ? *cp : platform::CodePage::Default();
}

}  // namespace

TFormMain::TFormMain(const PlayerOptions& options) : options_(options) {}

TFormMain::~TFormMain() {
  if (!closed_) FormClose();
  scriptlib::SetDateClock({});
  root_.reset();
  sound_.reset();
  audio_.reset();
  images_.reset();
  fonts_.reset();
  imageStore_.reset();
  if (device_) device_->Release();
  device_.reset();
  ShutDownScripting();
}

void TFormMain::ShowError(const std::string& text) {
  if (options_.headless ||
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Qazmir", text.c_str(), nullptr) != 0)
    std::cerr << "qazmir: " << text << "\n";
}

void TFormMain::SetUpAudio() {
  std::unique_ptr<resources::AudioOutput> output;
  if (!options_.headless)
    output = resources::MakeSdlAudioOutput();
  else if (!options_.audioOut.empty())
    output = resources::MakeWavFileOutput(options_.audioOut);
  audio_ = std::make_unique<resources::AudioLibrary>(std::move(output));
  sound_ = std::make_unique<resources::SoundSystem>(*audio_);
  sound_->SetClockRestart([this] { ResetClock(); });
}

int TFormMain::Run() {
  if (std::optional<int> status = StartUp()) return *status;
  if (options_.headless) return RunHeadless();
  return RunWindow();
}

std::optional<int> TFormMain::StartUp() {
  if (!options_.userDir.empty()) platform::SetUserDataHomeOverride(options_.userDir);
  if (std::string why = FindGame(); !why.empty()) {
    std::cerr << "qazmir: " << why << "\n";
    return 1;
  }
  if (!ReadSession()) return 2;
  // Unit initialisation: classes, the random generator, the interpreter pool.
  // A session without a seed picks one and records it.
  if (!options_.seed)
    options_.seed =
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  platform::GlobalRandom().Seed(*options_.seed);
  scriptlib::SetDateClock([this] { return SessionClock(); });
  InitScripting(options_, &stats_.scriptSeconds);

  if (!FormCreate()) return 1;
  if (!location_ && !ChooseGame()) {
    FormClose();
    return 0;
  }
  return std::nullopt;
}

// Before any window opens: a game named on the command line must be there
// and be a game file. The reason it cannot be played, or empty; location_
// stays empty when no game is named and none lies beside the player (the
// game list then opens).
std::string TFormMain::FindGame() {
  std::filesystem::path exe = options_.executable.empty() ? platform::ExecutablePath()
                                                           : std::filesystem::path(options_.executable);
  location_ = LocateGame(options_.game, exe, platform::EditorSettingsFile());
  if (!location_) {
    if (options_.game.empty()) return {};
    return "no game found in \"" + options_.game + "\" (looked for a .qzf file)";
  }
  const std::filesystem::path file = location_->folder / location_->fileName;
  std::string head;
  std::string why;
  if (!platform::ReadFileHead(file, scene::kGameFileHeadBytes, head))
    why = "cannot read " + file.string();
  else if (!scene::IsGameFile({reinterpret_cast<const uint8_t*>(head.data()), head.size()}))
    why = file.string() + " is not a game file";
  if (!why.empty()) location_.reset();
  return why;
}

bool TFormMain::FormCreate() {
  SetUpAudio();
  if (audio_->GetVersion() != kExpectedAudioVersion) {
    ShowError("BASS version 2.2 was not loaded!");
    return false;
  }
  audio_->Init(-1, 44100, 0, nullptr);

  clock_ = options_.headless ? std::unique_ptr<render::FrameClock>(new render::ManualClock())
                             : std::unique_ptr<render::FrameClock>(new render::SdlClock(!options_.pacedByCaller));
  timer_ = std::make_unique<render::FrameTimer>(*clock_);
  timer_->SetSpeed(30.0);
  timer_->SetMaxFPS(30);
  timer_->SetEnabled(false);
  timer_->SetVirtual(options_.headless);
  timer_->SetOnTimer([this] { TimerTimer(); });
  timer_->SetOnProcess([this] { TimerProcess(); });

  if (options_.headless) {
    device_ = std::make_unique<render::HeadlessDevice>();
  } else {
    render::RenderDeviceOptions o;
    o.windowed = true;
    o.scale = options_.scale;
    auto window = std::make_unique<render::RenderDevice>(o);
    window_ = window.get();
    device_ = std::move(window);
  }
  imageStore_ = std::make_unique<render::ImageStore>();
  fonts_ = std::make_unique<render::FontStore>(&GameCodePage(options_));
  images_ = std::make_unique<resources::ImageCache>(*imageStore_);
  // Without a game the list opens first; the game loads once one is chosen.
  if (!device_->Initialize([this](bool& ok) {
        if (location_) DeviceInitialize(ok);
      })) {
    ShowError("The render device could not be initialised.");
    return false;
  }
  if (window_) {
    render::Size desk = device_->DesktopSize();
    SDL_WarpMouseGlobal(desk.width / 2, desk.height / 2);
  }
  lastWatchdog_ = std::chrono::steady_clock::now();
  return true;
}

void TFormMain::DeviceInitialize(bool& /*ok*/) {
  desktopTooSmall_ =
      !kEveryDesktopFits && DesktopWidth() < kFrameWidth * options_.scale + kWindowBorders;
  const platform::CodePage& cp = GameCodePage(options_);

  std::string gameFile = "game.qzf";
  device_->SetRenderCallback([this] {
    auto t0 = std::chrono::steady_clock::now();
    DeviceRender();
    stats_.drawSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  });
  if (location_) {
    std::error_code ec;
    std::filesystem::current_path(location_->folder, ec);
    gameFile = location_->fileName;
  }
  gameStem_ = std::filesystem::path(gameFile).stem().string();
  std::error_code ec;
  platform::GameFiles().Reset(std::filesystem::current_path(ec), cp);
  // From here on, what the game opens stays inside its folder and its per-user
  // folder, whatever links the game ships.
  platform::ConfineToFolders(platform::GameFiles().Base(), {});

  root_ = std::make_unique<scene::TQZDB>();
  // The game file name is code page text, like every name the game uses.
  root_->SetGameFileName(cp.FromUtf8(gameFile));
  scene::GameServices services;
  services.host = this;
  services.canvas = &device_->GetCanvas();
  services.sound = sound_.get();
  services.images = images_.get();
  services.fonts = fonts_.get();
  root_->SetServices(services);
  sound_->SetLookup(resources::MakeSoundLookup(platform::GameFiles(), root_->Pack()));

  images_->SetLoadNow(false);
  auto t0 = std::chrono::steady_clock::now();
  if (location_) root_->LoadGame();
  stats_.loadSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  // The mode chosen on the command line holds for this run without being written.
  if (options_.windowed) root_->SetFullScreenFlag(false);
  if (options_.fullscreen && !options_.testMode) root_->SetFullScreenFlag(true);
  ApplyWindowMode(root_->FullScreen());

  // The log goes to the game's folder, or to the per-user folder when the
  // game's folder cannot be written.
  const std::filesystem::path userFolder = root_->PerUserFolder().empty()
                                               ? platform::PerUserFolder(root_->Id, cp)
                                               : root_->PerUserFolder();
  platform::SetConfinedUserFolder(userFolder);
  scene::ScriptRunner::Instance().SetRoot(root_.get());
  scene::ScriptRunner::Instance().Host().SetLogFallbackDir(userFolder);

  std::string title = root_->LookupText("Title");
  if (title.empty()) title = root_->Id;
  title_ = title.empty() ? "Qazmir" : cp.ToUtf8(title);
  device_->SetTitle(replaying_ && !options_.headless ? title_ + " (replay)" : title_);
  GameEntry played;
  std::error_code cwdError;
  played.file = std::filesystem::current_path(cwdError) / gameFile;
  played.title = title.empty() ? gameFile : title_;
  played.id = cp.ToUtf8(root_->Id);
  GameLibrary(RememberedGamesFile()).Remember(played);
  StartRecording();

  images_->SetLoadNow(true);
  root_->SetCurrentScreen(root_->FindByKey(root_->InitScreen));
  timer_->ResetClock();
  timer_->SetEnabled(true);
}

void TFormMain::FormClose() {
  if (closed_) return;
  closed_ = true;
  if (timer_) timer_->SetEnabled(false);
  if (root_) {
    root_->Exit();
    root_->SetCurrentScreen(nullptr);
    root_->SetHovered(nullptr);
  }
  if (options_.stats) {
    // The other times are wall-clock; cpu is the whole process's, start-up
    // included, which shared machines do not inflate.
    timespec cpu{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("frames %lld\nsteps %lld\ndraw %.3f s\nscripts %.3f s\nloading %.3f s\ncpu %.3f s\n",
                static_cast<long long>(stats_.frames), static_cast<long long>(stats_.steps),
                stats_.drawSeconds, stats_.scriptSeconds, stats_.loadSeconds,
                static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) * 1e-9);
    std::fflush(stdout);
  }
}

// ---- GameHost ----------------------------------------------------------------------

void TFormMain::ApplyWindowMode(bool fullScreen) {
  if (device_) device_->SetWindowed(!fullScreen);
}

void TFormMain::ShowSystemCursor(bool visible) {
  if (window_) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void TFormMain::ResetClock() {
  if (timer_) timer_->ResetClock();
}

bool TFormMain::TimerEnabled() const { return timer_ && timer_->Enabled(); }

void TFormMain::RenderFrame(bool present) {
  if (!device_) return;
  device_->Render(0, true);
  if (!present) return;
  device_->Present();
  if (progressYield_) progressYield_();
}

}  // namespace app
