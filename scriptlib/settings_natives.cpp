// The settings file natives GetIni and SetIni.
//
// Outside unicode mode they read and write the root's settings file (IniFile
// in the per-user folder) as it is. In unicode mode the file is the one of
// the same name in the game's folder, read and written through the
// wide-character INI functions, and values travel in the hex-UTF-8 form so
// that any character survives a file in a single-byte code page.

#include "platform/path_resolver.h"
#include "scene/db.h"
#include "scriptlib/handlers.h"
#include "scriptlib/unicode_text.h"

namespace scriptlib {

namespace {

// Units of the wide reader's buffer: values longer than 999 units are cut.
constexpr size_t kWideReadUnits = 1000;

const platform::IniFile* SettingsFile(scene::TQZDB*& root) {
  root = GameRoot();
  return root ? root->Settings() : nullptr;
}

// The unicode-mode file: the settings file's name, without its folders, in
// the game's folder.
std::filesystem::path UnicodeSettingsPath(const scene::TQZDB& root) {
  std::string name = root.IniFile();
  size_t cut = name.find_last_of("\\/");
  if (cut != std::string::npos) name.erase(0, cut + 1);
  auto& files = platform::GameFiles();
  auto path = files.ResolveForWrite(name);
  return path ? *path : files.Base() / root.Settings()->Path().filename();
}

}  // namespace

namespace natives {

// GetIni(section, key, default)
bool GetIni(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 3)) return false;
  std::string section = AsText(Arg(args, 0));
  std::string key = AsText(Arg(args, 1));
  std::string def = AsText(Arg(args, 2));
  scene::TQZDB* root;
  const platform::IniFile* settings = SettingsFile(root);
  if (!settings) return false;
  if (!root->UnicodeMode()) {
    result.value = Value::String(settings->ReadString(section, key, def));
    return true;
  }
  const platform::CodePage& cp = platform::GameFiles().Cp();
  std::u16string value = platform::ReadProfileStringWide(
      UnicodeSettingsPath(*root), cp.ToUtf16(section), cp.ToUtf16(key), u"", kWideReadUnits, cp);
  // A value without the prefix (written by hand or by another program) is
  // taken as the text it shows.
  if (IsHexUtf8Form(value)) value = DecodeHexUtf8Form(value);
  result.value = Value::String(Utf16ToEscapeText(value));
  return true;
}

// SetIni(section, key, value)
bool SetIni(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 3)) return false;
  std::string section = AsText(Arg(args, 0));
  std::string key = AsText(Arg(args, 1));
  std::string value = AsText(Arg(args, 2));
  scene::TQZDB* root;
  const platform::IniFile* settings = SettingsFile(root);
  if (!settings) return false;
  if (!root->UnicodeMode()) {
    if (!settings->WriteString(section, key, value))
      throw ScriptError("Unable to write to " + settings->Path().string());
  } else {
    const platform::CodePage& cp = platform::GameFiles().Cp();
    std::string form = HexUtf8Form(EscapeTextToUtf16(value));
    // The answer of the wide writer is not looked at: a settings file that
    // cannot be written must not stop the script (the native answers 0 either way).
    platform::WriteProfileStringWide(UnicodeSettingsPath(*root), cp.ToUtf16(section),
                                     cp.ToUtf16(key), cp.ToUtf16(form), cp);
  }
  result.value = Value::Byte(0);
  return true;
}

}  // namespace natives
}  // namespace scriptlib
