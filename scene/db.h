#pragma once
// TQZDB: the game root. Besides being the parent of the screens it holds
// everything global to a running game: the resource pack, the per-user folder
// with the settings and the save file, the language files and the text
// lookup, the sound table, the unicode font set, the cheat detector, key and
// character input, the pointer state, the current screen and the completion
// of screen switches.
//
// Index: db.cpp (class, property setters, load), db_text.cpp (text and sound
// lookup, unicode set), db_input.cpp (keys, characters, cheats, pointer
// protocol), db_values.cpp (script names of the root and of the run state),
// db_screen.cpp (screen-switch completion).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "resources/store.h"
#include "scene/element.h"
#include "scene/game_file.h"
#include "scene/game_host.h"
#include "scene/key_index.h"
#include "scene/stars.h"

namespace render {
class Canvas;
class FontStore;
}
namespace resources {
class ImageCache;
class SoundSystem;
class TQZIm;
}

namespace scene {

class TQZText;
class TXParticleManager;

// The other parts of the program the root works with; any may be absent (tests,
// the tool), in which case that side of the root does nothing.
struct GameServices {
  GameHost* host = nullptr;
  render::Canvas* canvas = nullptr;
  resources::SoundSystem* sound = nullptr;
  resources::ImageCache* images = nullptr;
  render::FontStore* fonts = nullptr;
};

// One entry of the unicode font table.
struct UnicodeGlyph {
  uint16_t glyph = 0;
  uint16_t advance = 0;  // 0: no glyph for this code
};

class TQZDB : public TQZElement {
 public:
  TQZDB();
  ~TQZDB() override;

  static void Register(ClassRegistry& registry);

  // ---- published fields ----------------------------------------------------
  int32_t CurKey = 0;
  int32_t InitScreen = 0;
  uint8_t hxTransLev = 0;
  int32_t LoadingScreen = 0;
  script::ScriptSlot exLoadImProcess;
  script::ScriptSlot exKeyDown;
  script::ScriptSlot exExit;
  script::ScriptSlot exCheat;
  std::string Cheats;
  bool SaveErr = false;
  script::ScriptSlot exSetScreen;
  int32_t Version = 0;

  int32_t MaxMem() const { return maxMem_; }
  void SetMaxMem(int32_t bytes);
  bool AlwaysLoadIm() const { return alwaysLoadIm_; }
  void SetAlwaysLoadIm(bool on);

  const std::string& FileRS() const { return fileRS_; }
  const std::string& FileFonts() const { return fileFonts_; }
  const std::string& DefLang() const { return defLang_; }
  const std::string& Lang() const { return lang_; }
  const std::string& IniFile() const { return iniFile_; }
  const std::string& SoundFile() const { return soundFile_; }
  void SetFileRS(const std::string& value);
  void SetFileFonts(const std::string& value);
  void SetDefLang(const std::string& value);
  void SetLang(const std::string& value);
  void SetIniFile(const std::string& value);
  void SetSoundFile(const std::string& value);

  // ---- services and loading --------------------------------------------------
  void SetServices(const GameServices& services);
  const GameServices& Services() const { return services_; }
  GameHost& Host() const { return *services_.host; }

  // The game file name relative to the current directory (the game's folder).
  void SetGameFileName(std::string name) { gameFileName_ = std::move(name); }
  const std::string& GameFileName() const { return gameFileName_; }
  // Rebuilds the tree from the game file: frees the children, opens the pack,
  // reads the file and sets up the unicode font. A missing file leaves the
  // tree empty.
  void LoadGame();
  // Reads a whole game file image into the tree (the tree is emptied first).
  // The loading flag is set while the stream is read.
  GameFileReport LoadGameData(std::span<const uint8_t> data);

  resources::TQZStore& Pack() { return pack_; }
  const std::filesystem::path& PerUserFolder() const { return perUserFolder_; }
  // The save file named by FileRS, when there is one.
  const std::optional<std::filesystem::path>& SaveFile() const { return saveFile_; }
  // The settings file named by IniFile, when there is one.
  const platform::IniFile* Settings() const { return settings_ ? &*settings_ : nullptr; }
  void SaveState();
  void LoadState();
  // GoToURL starts the desktop's handler at most once a second of game time
  // (30 steps), so a script calling it in a loop cannot open a browser tab per
  // call: true when this call may start it.
  bool TakeAddressOpening();

  // ---- key lookups -------------------------------------------------------------
  // The index that answers FindByKey for this tree (state loads, the loading
  // screen, image lists); it follows SetKey and rebuilds after tree changes.
  KeyIndex& Keys() { return keys_; }

  // ---- texts, sounds, unicode ------------------------------------------------
  // Language text of an address ("Section.Key" or "Key" in section Default);
  // empty when missing.
  virtual std::string LookupText(const std::string& address);
  // File name and volume of a sound-table address. Nothing is set when there
  // is no sound table; an empty part of the address gives an empty name and
  // volume 0.
  void LookupSound(const std::string& address, std::string& fileName, int& volume);
  bool UnicodeMode() const { return unicodeMode_; }
  const std::vector<UnicodeGlyph>& UnicodeTable() const { return unicodeTable_; }
  const std::string& UnicodeFaceName() const { return unicodeFace_; }
  // The unicode TrueType font, when the game ships one.
  const std::optional<std::filesystem::path>& UnicodeFontFile() const { return unicodeTtf_; }
  // The cache entries of the particle sheet and of the unicode glyph atlas.
  resources::TQZIm* ParticleSheet() const { return particleSheet_; }
  // The particle manager: made by LoadGame when the root has a canvas (tests
  // may set one). Effects make particle systems only while there is one.
  TXParticleManager* ParticleManager() const { return particleManager_.get(); }
  void SetParticleManager(std::unique_ptr<TXParticleManager> manager);
  resources::TQZIm* UnicodeGlyphs() const { return unicodeGlyphs_; }

  // ---- settings ---------------------------------------------------------------
  int SoundVolume() const { return soundVolume_; }
  int MusicVolume() const { return musicVolume_; }
  bool FullScreen() const { return fullScreen_; }
  void SetFullScreenFlag(bool on) { fullScreen_ = on; }
  bool SystemCursor() const { return sysCursor_; }

  // ---- input --------------------------------------------------------------------
  void KeyDown(int virtualKey);
  int KeyCode() const { return keyCode_; }
  void CharInput(uint16_t code);
  const std::string& LastCheat() const { return lastCheat_; }
  const std::string& CheatBuffer() const { return cheatBuffer_; }
  TQZText* FocusedText() const { return focusedText_; }
  void SetFocusedText(TQZText* text) { focusedText_ = text; }
  // Runs exExit (the window closes).
  void Exit();

  // ---- pointer protocol ------------------------------------------------------------
  void PointerMove(int32_t x, int32_t y);
  void ButtonDown(int32_t x, int32_t y);
  void ButtonUp(int32_t x, int32_t y);
  // The element under the pointer, at the top layer that has one.
  TQZElement* HitTestLayers(int32_t x, int32_t y);
  // The same answer without what a pointer move there would do besides (an
  // image list tracks the entry under the pointer); for finding hotspots.
  TQZElement* ProbeHitTest(int32_t x, int32_t y);
  bool Probing() const { return probing_; }
  TQZElement* Hovered() const { return hovered_; }
  void SetHovered(TQZElement* e) { hovered_ = e; }
  TQZElement* Pressed() const { return pressed_; }
  bool ButtonHeld() const { return buttonHeld_; }
  void SetButtonHeld(bool held) { buttonHeld_ = held; }
  int32_t MouseX() const { return mouseX_; }
  int32_t MouseY() const { return mouseY_; }
  // Stores the position and the delta without any hit testing (a paused window).
  void TrackPointer(int32_t x, int32_t y);
  TQZElement* CursorElement() const { return cursorElement_; }
  void SetCursorElement(TQZElement* e) { cursorElement_ = e; }

  // ---- screens --------------------------------------------------------------------
  TQZElement* CurrentScreen() const { return currentScreen_; }
  void SetCurrentScreen(TQZElement* screen) { currentScreen_ = screen; }
  TQZElement* PendingScreen() const { return pendingScreen_; }
  void SetPendingScreen(TQZElement* screen) { pendingScreen_ = screen; }
  // The element named by LoadingScreen, or none.
  TQZElement* LoadingScreenElement();
  // Completes a pending screen switch (LoadIm, or the frame loop).
  void CompleteScreenSwitch();
  // Runs exLoadImProcess and draws one progress frame.
  void ImageLoadProgress();
  // Sends mouse-out to the hovered element and forgets it and the button.
  void DropHover();

  // The star sprites: their update in every normal step and their drawing
  // per layer (and in layer 1000 after all layers), with the particle sheet.
  StarTable& Stars() { return stars_; }
  virtual void UpdateStars();
  virtual void DrawStars(int32_t layer);

  bool ExitRequested() const { return exitRequested_; }
  void RequestExit() { exitRequested_ = true; }

  // ---- virtual operations ----------------------------------------------------------
  void DoProcess() override;
  void DoReinit() override;
  bool GetValue(const std::string& name, script::Value& out) override;
  bool SetValue(const std::string& name, const script::Value& value) override;

  // Names of the run state that every element answers (the current screen,
  // the pointer, the cursor element...). Tried after an element's own names.
  virtual bool GetSharedValue(TQZElement& asker, const std::string& name, script::Value& out);
  virtual bool SetSharedValue(TQZElement& asker, const std::string& name,
                              const script::Value& value);

 private:
  void ReadSettings();
  void WriteSetting(const char* key, int value);
  void SetUpUnicode();
  bool ReadUnicodeTable(const std::string& text);
  void ClearInitialised(TQZElement& e);
  void ConnectImageCache();
 public:
  // Loads the fonts of the archive named by FileFonts (again).
  void ReloadFonts();
  // Requests the particle sheet again with forced loading (after a
  // window/full-screen switch) and hands it to the particle effects.
  void ReloadParticleSheet();
 private:

  GameServices services_;
  KeyIndex keys_{*this};
  std::string gameFileName_;
  resources::TQZStore pack_;

  std::string fileRS_, fileFonts_, defLang_, lang_, iniFile_, soundFile_;
  std::filesystem::path perUserFolder_;
  std::optional<std::filesystem::path> saveFile_;
  std::optional<platform::IniFile> settings_;
  std::optional<platform::IniDocument> language_;
  std::string languageFileName_;
  std::optional<platform::IniDocument> defLanguage_;
  std::optional<platform::IniDocument> soundTable_;

  bool unicodeMode_ = false;
  platform::IniDocument unicodeCache_;
  std::vector<UnicodeGlyph> unicodeTable_;
  std::string unicodeFace_;
  std::optional<std::filesystem::path> unicodeTtf_;
  resources::TQZIm* particleSheet_ = nullptr;
  std::unique_ptr<TXParticleManager> particleManager_;
  resources::TQZIm* unicodeGlyphs_ = nullptr;
  int32_t maxMem_ = 0;
  bool alwaysLoadIm_ = false;

  int soundVolume_ = 100;
  int musicVolume_ = 50;
  bool fullScreen_ = true;
  bool addressOpened_ = false;
  int64_t addressOpenedAt_ = 0;  // the step of the last start
  bool sysCursor_ = false;

  int keyCode_ = 0;
  std::string cheatBuffer_;
  std::string lastCheat_;
  TQZText* focusedText_ = nullptr;

  TQZElement* hovered_ = nullptr;
  TQZElement* pressed_ = nullptr;
  bool buttonHeld_ = false;
  bool probing_ = false;
  int32_t mouseX_ = 0, mouseY_ = 0, mouseDX_ = 0, mouseDY_ = 0;
  TQZElement* cursorElement_ = nullptr;

  TQZElement* currentScreen_ = nullptr;
  TQZElement* pendingScreen_ = nullptr;
  bool exitRequested_ = false;
  StarTable stars_;
};

}  // namespace scene
