// Script names of the root, and the names of the run state that every element answers.

#include "resources/audio/sound_system.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/script_runner.h"

namespace scene {

using script::Value;

namespace {

bool AsInt(const Value& v, int& out) {
  int32_t n;
  if (v.ToInteger(n)) {
    out = n;
    return true;
  }
  return false;
}

}  // namespace

bool TQZDB::GetValue(const std::string& name, Value& out) {
  if (TQZElement::GetValue(name, out)) return true;
  if (name == "VOLMUZ") return out = Value::Integer(musicVolume_), true;
  if (name == "VOLSND") return out = Value::Integer(soundVolume_), true;
  if (name == "CHEAT") return out = Value::String(lastCheat_), true;
  if (name == "UNICODE") return out = Value::Boolean(unicodeMode_), true;
  if (name == "FULLSCREEN") return out = Value::Integer(fullScreen_ ? 1 : 0), true;
  if (name == "WINMODEENABLE") return out = Value::Integer(Host().DesktopTooSmall() ? 0 : 1), true;
  if (name == "DESKTOPWIDTH") return out = Value::Integer(Host().DesktopWidth()), true;
  if (name == "SYSCURSOR") return out = Value::Integer(sysCursor_ ? 1 : 0), true;
  return false;
}

bool TQZDB::SetValue(const std::string& name, const Value& value) {
  if (TQZElement::SetValue(name, value)) return true;
  int n;
  if (name == "VOLMUZ") {
    if (!AsInt(value, n)) return true;
    musicVolume_ = n;
    WriteSetting("Muz", n);
    if (services_.sound) services_.sound->SetMusicVolume(n);
    return true;
  }
  if (name == "VOLSND") {
    if (!AsInt(value, n)) return true;
    soundVolume_ = n;
    WriteSetting("Snd", n);
    if (services_.sound) services_.sound->SetSoundVolume(n);
    return true;
  }
  if (name == "FULLSCREEN") {
    if (!AsInt(value, n)) return true;
    fullScreen_ = n != 0;
    WriteSetting("FS", fullScreen_ ? 1 : 0);
    return true;
  }
  if (name == "SYSCURSOR") {
    if (!AsInt(value, n)) return true;
    sysCursor_ = n != 0;
    Host().ShowSystemCursor(sysCursor_);
    WriteSetting("SysCursor", sysCursor_ ? 1 : 0);
    return true;
  }
  return false;
}

bool TQZDB::GetSharedValue(TQZElement& asker, const std::string& name, Value& out) {
  auto ref = [](TQZElement* e) { return Value::Ref(e ? e->Handle() : 0); };
  switch (name.empty() ? '\0' : name[0]) {
    case 'C':
      if (name == "CURRENTSCREEN") return out = ref(currentScreen_), true;
      if (name == "CURSOR") {
        if (!cursorElement_) return false;
        return out = ref(cursorElement_), true;
      }
      if (name == "CURSORAT") return out = ref(hovered_), true;
      if (name == "CURSORATNIL") return out = Value::Byte(hovered_ ? 0 : 1), true;
      break;
    case 'I':
      if (name == "IMFORLOADCOUNT")
        return out = Value::Integer(services_.images ? services_.images->NeededImages() : 0), true;
      if (name == "IMFORLOADPOS")
        return out = Value::Integer(services_.images ? services_.images->LoadedImages() : 0), true;
      break;
    case 'P':
      if (name == "PREEXQZE") return out = ref(ScriptRunner::Instance().PreviousElement()), true;
      break;
    case 'K':
      if (name == "KEYDOWNED") return out = Value::Integer(keyCode_), true;
      break;
    case 'M':
      if (name == "MOUSEIN") return out = Value::Boolean(hovered_ == &asker), true;
      if (name == "MSDX") return out = Value::Integer(mouseDX_), true;
      if (name == "MSDY") return out = Value::Integer(mouseDY_), true;
      if (name == "MSX") return out = Value::Integer(mouseX_), true;
      if (name == "MSY") return out = Value::Integer(mouseY_), true;
      if (name == "MOUSEDOWN") return out = Value::Boolean(buttonHeld_), true;
      if (name == "MOUSEINDOWN") return out = Value::Boolean(buttonHeld_ && hovered_ == &asker), true;
      break;
    default: break;
  }
  return false;
}

bool TQZDB::SetSharedValue(TQZElement&, const std::string& name, const Value& value) {
  if (name == "CURSOR") {
    if (value.IsLongWord()) cursorElement_ = TQZElement::FromHandle(static_cast<uint32_t>(value.i));
    else if (value.IsEmpty()) cursorElement_ = nullptr;
    else {
      int64_t h;
      cursorElement_ = value.ToInt64(h) ? TQZElement::FromHandle(static_cast<uint32_t>(h)) : nullptr;
    }
    return true;
  }
  return false;
}

}  // namespace scene
