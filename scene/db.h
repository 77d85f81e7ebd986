#pragma once
// TQZDB: the game root. Holds everything global to a running game.

#include <cstdint>
#include <string>

#include "scene/element.h"

namespace scene {

class TQZDB : public TQZElement {
 public:
  TQZDB();
  ~TQZDB() override;

  static void Register(ClassRegistry& registry);

  // ---- published fields ----------------------------------------------------
  int32_t CurKey = 0;
  int32_t InitScreen = 0;
  std::string FileRS;
  std::string FileFonts;
  uint8_t hxTransLev = 0;
  std::string DefLang;
  std::string Lang;
  int32_t LoadingScreen = 0;
  script::ScriptSlot exLoadImProcess;
  std::string IniFile;
  std::string SoundFile;
  script::ScriptSlot exKeyDown;
  script::ScriptSlot exExit;
  int32_t MaxMem = 0;
  script::ScriptSlot exCheat;
  std::string Cheats;
  bool SaveErr = false;
  script::ScriptSlot exSetScreen;
  bool AlwaysLoadIm = false;
  int32_t Version = 0;

  // Reads a whole game file image into the tree (the tree is emptied first).
  // The loading flag is set while the stream is read.
  void LoadGameData(std::span<const uint8_t> data);

  // Language text of an address ("Section.Key" or "Key" in section Default);
  // empty when missing.
  virtual std::string LookupText(const std::string& address);

  // Names of the run state that every element answers (the current screen,
  // the pointer, the cursor element...). Tried after an element's own names.
  virtual bool GetSharedValue(TQZElement& asker, const std::string& name, script::Value& out);
  virtual bool SetSharedValue(TQZElement& asker, const std::string& name,
                              const script::Value& value);
};

}  // namespace scene
