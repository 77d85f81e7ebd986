// State, files, texts and the host system: SaveState, LoadState, TimerReset,
// ExitGame, DelFile, GetText, GoToURL, Print.

#include <cstdio>
#include <filesystem>

#include "platform/confined_files.h"
#include "platform/path_resolver.h"
#include "platform/shell.h"
#include "scene/db.h"
#include "scriptlib/handlers.h"
#include "scriptlib/natives.h"
#include "scriptlib/unicode_text.h"

namespace scriptlib {

namespace {

bool g_consoleOutput = false;

platform::SpawnFunction& AddressSpawner() {
  static platform::SpawnFunction spawn;
  return spawn;
}

// Script text for the outside world (UTF-8): game code page bytes, or in
// unicode mode escape text.
std::string TextToUtf8(const std::string& text) {
  if (UnicodeModeOn()) return platform::Utf16ToUtf8(EscapeTextToUtf16(text));
  return platform::GameFiles().Cp().ToUtf8(text);
}

}  // namespace

void SetConsoleOutput(bool on) { g_consoleOutput = on; }
bool ConsoleOutput() { return g_consoleOutput; }
void SetAddressSpawner(platform::SpawnFunction spawn) { AddressSpawner() = std::move(spawn); }

namespace natives {

// The state natives take any arguments and ignore them.
bool SaveState(TPasCalc&, TVarList&, TVar&) {
  if (scene::TQZDB* root = GameRoot()) root->SaveState();
  return true;
}

bool LoadState(TPasCalc&, TVarList&, TVar&) {
  if (scene::TQZDB* root = GameRoot()) root->LoadState();
  return true;
}

bool TimerReset(TPasCalc&, TVarList&, TVar&) {
  if (scene::TQZDB* root = GameRoot()) root->Host().ResetClock();
  return true;
}

// The running script goes on; the frame loop closes the window at the end of
// the step.
bool ExitGame(TPasCalc&, TVarList&, TVar&) {
  if (scene::TQZDB* root = GameRoot()) root->RequestExit();
  return true;
}

// DelFile(name): a file of the per-user folder. Names that are absolute or
// climb out with ".." delete nothing, nor do folders; the call succeeds either
// way, as the system's answer never mattered.
bool DelFile(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string name = AsText(Arg(args, 0));
  result.value = Value::Byte(0);
  scene::TQZDB* root = GameRoot();
  if (!root) return true;
  auto path = platform::ResolveInside(root->PerUserFolder(), name, platform::GameFiles().Cp());
  if (path) platform::RemoveConfined(*path);
  return true;
}

bool GetText(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string address = AsText(Arg(args, 0));
  scene::TQZDB* root = GameRoot();
  result.value = Value::String(root ? root->LookupText(address) : std::string());
  return true;
}

// GoToURL(address): only http, https and mailto addresses reach the desktop's
// handler (xdg-open, started without a shell); anything else is ignored, so
// game data can never start a program or open a local file. The handler
// starts at most once a second of game time; calls in between do nothing.
bool GoToURL(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string address = TextToUtf8(AsText(Arg(args, 0)));
  scene::TQZDB* root = GameRoot();
  if (platform::IsOpenableAddress(address) && (!root || root->TakeAddressOpening()))
    platform::OpenAddress(address, AddressSpawner());
  result.value = Value::Byte(0);
  return true;
}

// Print(text): a line on stdout, in UTF-8, when the player runs with --console.
bool Print(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  if (g_consoleOutput) {
    std::string line = TextToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }
  result.value = Value::Byte(0);
  return true;
}

}  // namespace natives
}  // namespace scriptlib
