// The player for the web, from the native player's own code: in a page
// (qazmir-web) the window's pass runs once per browser callback; under node
// (qazmir-node) a headless run goes as it does natively.
//
// The page starts it with its arguments (player_args.h) once the game's
// files are in the in-memory file system and the per-user folder is mounted,
// and hears back through Module hooks it may define:
//   Module.qzOnEnd(status)        the run ended (the game quit, or failed to start)
//   Module.qzOnPass(pass)         the first pass, and each pass that drew a --screenshot
//                                 frame, has been shown on the canvas
//   Module.qzFullScreen(on)       the game switched between window and full screen
//   Module.qzOpenAddress(address) the game asked to open a web or mail address
// It may call qz_web_toggle_full_screen (its button, the browser leaving full
// screen by itself) and, before starting, qz_web_unpack and
// qz_web_game_folder to turn what a person picked into a game folder.

#include <SDL.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "scriptlib/natives.h"
#include "web/frame_pacer.h"
#include "web/player_args.h"
#include "web/zip_extract.h"

namespace {

constexpr double kImmediateSliceMs = 12;

// The page's player lives from its start to its end between callbacks, so
// it cannot live on main's stack.
struct WebRun {
  std::unique_ptr<app::TFormMain> form;
  web::Callbacks callbacks = web::Callbacks::Animation;
  web::FramePacer passes;
  web::FramePacer progressYields;
  std::vector<app::ScreenshotRequest> shots;
  int64_t toldPass = 0;
  int64_t yields = 0;  // inside steps, to show loading progress
  bool stats = false;
  std::string reply;  // what the last exported call answered
};

WebRun& Run() {
  static WebRun run;
  return run;
}

void TellEnd(int status) {
  EM_ASM({ if (Module.qzOnEnd) Module.qzOnEnd($0); }, status);
}

// After the first pass and after each pass that drew a --screenshot frame,
// the canvas shows that frame until the next pass: the page may look then.
// True when the page was told.
bool TellPass(int64_t pass) {
  WebRun& run = Run();
  if (pass == run.toldPass) return false;  // a pass that drew nothing (a paused game)
  run.toldPass = pass;
  bool tell = pass == 1;
  for (const app::ScreenshotRequest& shot : run.shots) tell = tell || shot.pass + 1 == pass;
  if (tell) EM_ASM({ if (Module.qzOnPass) Module.qzOnPass($0); }, static_cast<double>(pass));
  return tell;
}

void Pass(void*) {
  WebRun& run = Run();
  if (!run.form) return;
  if (run.callbacks == web::Callbacks::Animation && !run.passes.Due(emscripten_get_now())) return;
  // Flat out (a replay in the test page), passes run back to back for a
  // slice of a display frame: the browser still shows frames and takes
  // events between slices, and a pass the page looks at ends its slice.
  const double sliceEnd =
      emscripten_get_now() + (run.callbacks == web::Callbacks::Immediate ? kImmediateSliceMs : 0);
  do {
    const bool more = run.form->WindowPass();
    const bool told = TellPass(run.form->Passes());
    if (!more) {
      emscripten_cancel_main_loop();
      const int status = run.form->EndWindowLoop();
      run.form.reset();
      if (run.stats) std::printf("progress yields %lld\n", static_cast<long long>(run.yields));
      TellEnd(status);
      return;
    }
    if (told) return;
  } while (emscripten_get_now() < sliceEnd);
}

// GoToURL: a page cannot start the desktop's handler, and the browser lets a
// page open a tab only while it handles a click; the page offers the address
// as a link instead. Without a page (node) the address is not opened, and
// says so.
bool OpenInPage(const std::vector<std::string>& argv) {
  if (argv.size() < 2) return false;
  const int shown = EM_ASM_INT(
      {
        if (!Module.qzOpenAddress) return 0;
        Module.qzOpenAddress(UTF8ToString($0));
        return 1;
      },
      argv[1].c_str());
  if (!shown) std::cerr << "qazmir: no page to open " << argv[1] << " in; not opened\n";
  return shown != 0;
}

void StartLoop(web::Callbacks callbacks) {
  switch (callbacks) {
    case web::Callbacks::Animation: emscripten_set_main_loop_arg(Pass, nullptr, 0, 0); break;
    case web::Callbacks::Timer: emscripten_set_main_loop_arg(Pass, nullptr, 30, 0); break;
    case web::Callbacks::Immediate:
      emscripten_set_main_loop_arg(Pass, nullptr, 0, 0);
      emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
      break;
  }
}

}  // namespace

extern "C" {

// The page's full-screen button, and the browser leaving full screen by
// itself (Escape): the game gets the Alt+Enter it would get from the keys.
EMSCRIPTEN_KEEPALIVE void qz_web_toggle_full_screen() {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.scancode = SDL_SCANCODE_RETURN;
  e.key.keysym.sym = SDLK_RETURN;
  e.key.keysym.mod = KMOD_LALT;
  SDL_PushEvent(&e);
}

// Unpacks the zip archive in bytes [data, data + size) into folder dest:
// "OK <game folder>" or "ERROR <reason>".
EMSCRIPTEN_KEEPALIVE const char* qz_web_unpack(const uint8_t* data, uint32_t size, const char* dest) {
  std::string& reply = Run().reply;
  const web::ZipResult r = web::ExtractZip(std::span<const uint8_t>(data, size), dest);
  if (r.error != web::ZipError::None) {
    reply = "ERROR " + web::DescribeZipResult(r);
    return reply.c_str();
  }
  const std::filesystem::path game = web::FindGameFolder(dest);
  reply = game.empty() ? "ERROR the archive holds no game (no .qzf file)" : "OK " + game.string();
  return reply.c_str();
}

// The folder to play in a picked folder: "OK <game folder>" or "ERROR <reason>".
EMSCRIPTEN_KEEPALIVE const char* qz_web_game_folder(const char* root) {
  std::string& reply = Run().reply;
  const std::filesystem::path game = web::FindGameFolder(root);
  reply = game.empty() ? "ERROR the folder holds no game (no .qzf file)" : "OK " + game.string();
  return reply.c_str();
}

}  // extern "C"

int main(int argc, char** argv) {
  web::WebOptions options;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (std::string why = web::ParsePlayerArguments(args, options); !why.empty()) {
    std::cerr << "qazmir: " << why << "\n";
    TellEnd(2);
    return 2;
  }
  scriptlib::SetAddressSpawner(OpenInPage);
  if (options.player.headless) {
    int status;
    {
      app::TFormMain form(options.player);
      status = form.Run();
    }
    SDL_Quit();
    return status;
  }

  WebRun& run = Run();
  options.player.pacedByCaller = true;
  // The loop is a callback: SDL must not sleep in its present or delays.
  SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
  // The frame goes to a 2D canvas of its own size, which the page scales:
  // WebGL would only add an upload per frame (and is software in browsers
  // without a GPU, at half the speed).
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  run.callbacks = options.callbacks;
  run.shots = options.player.screenshots;
  run.stats = options.player.stats;
  run.form = std::make_unique<app::TFormMain>(options.player);
  if (std::optional<int> status = run.form->StartUp()) {
    run.form.reset();
    TellEnd(*status);
    return *status;
  }
#ifdef QZ_WEB_ASYNCIFY
  // One picture per pass period reaches the screen; the others are only
  // drawn, so that yields add little to the time a switch takes.
  run.form->SetProgressYield([] {
    WebRun& r = Run();
    if (!r.progressYields.Due(emscripten_get_now())) return;
    ++r.yields;
    emscripten_sleep(0);
  });
#endif
  run.form->StartWindowLoop();
  StartLoop(run.callbacks);
  return 0;
}
