// Index: LoadScope (the process-wide state a check borrows), GameChecker
// (survey of the tree, the root's files, each element), CheckGame.

#include "tools/check_game.h"

#include <stdlib.h>

#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "platform/file_io.h"
#include "platform/path_resolver.h"
#include "platform/user_dirs.h"
#include "render/font_store.h"
#include "scene/class_registry.h"
#include "scene/db.h"
#include "scene/element.h"
#include "tools/check_resources.h"
#include "tools/check_scripts.h"
#include "tools/check_structure.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

// ---- LoadScope ---------------------------------------------------------------

// For the time of a check: game file names resolve in the game's folder, the
// per-user folder lies in a scratch folder (loading opens or creates the save
// file and the settings there), and no script hooks are installed. Everything
// is put back, and the scratch folder removed, at the end.
class LoadScope {
 public:
  LoadScope(const fs::path& folder, const platform::CodePage& cp)
      : oldBase_(platform::GameFiles().Base()),
        oldCp_(&platform::GameFiles().Cp()),
        oldHooks_(scene::GetScriptHooks()) {
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    std::string tmpl = (temp / "qazmir-check-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) {
      scratch_ = tmpl;
      platform::SetUserDataHomeOverride(scratch_ / "data");
    }
    platform::GameFiles().Reset(folder, cp);
    scene::GetScriptHooks() = scene::ScriptHooks{};
  }
  ~LoadScope() {
    scene::GetScriptHooks() = oldHooks_;
    platform::GameFiles().Reset(oldBase_, *oldCp_);
    if (scratch_.empty()) return;
    platform::SetUserDataHomeOverride({});
    std::error_code ec;
    fs::remove_all(scratch_, ec);
  }
  LoadScope(const LoadScope&) = delete;
  LoadScope& operator=(const LoadScope&) = delete;

  bool Ok() const { return !scratch_.empty(); }
  const fs::path& Scratch() const { return scratch_; }

 private:
  fs::path oldBase_;
  const platform::CodePage* oldCp_;
  scene::ScriptHooks oldHooks_;
  fs::path scratch_;
};

// ---- helpers -------------------------------------------------------------------

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string StringProp(const scene::TQZElement& e, const char* name) {
  const scene::TQZProp* p = e.Class().FindProp(name);
  return p && p->GetStr ? p->GetStr(e) : std::string();
}

const char* Describe(render::ArchiveError e) {
  switch (e) {
    case render::ArchiveError::kCannotOpen: return "cannot be opened";
    case render::ArchiveError::kBadSignature: return "is not a font archive";
    case render::ArchiveError::kTruncated: return "is cut short";
    case render::ArchiveError::kBadRecord: return "holds a damaged font record";
    case render::ArchiveError::kBadPacking: return "holds a record that does not unpack";
    case render::ArchiveError::kNone: break;
  }
  return "is damaged";
}

// ---- GameChecker -----------------------------------------------------------------

class GameChecker {
 public:
  GameChecker(scene::TQZDB& root, std::span<const uint8_t> data, const platform::CodePage& cp,
              ResourceProbe& probe, Findings& out)
      : root_(root), data_(data), cp_(cp), probe_(probe), out_(out), scanner_(cp), fonts_(&cp) {}

  // loadComplaints: what loading the game wrote on stderr, one line each.
  void Run(const std::string& loadComplaints) {
    Survey(root_);
    std::istringstream lines(loadComplaints);
    for (std::string line; std::getline(lines, line);) {
      if (StartsWith(line, "qazmir: ")) line.erase(0, 8);
      if (StartsWith(line, "warning: ")) line.erase(0, 9);
      if (!line.empty()) Root(line);
    }
    RootFiles();
    Element(root_);
  }

 private:
  struct ScriptRecord {
    const scene::TQZProp* prop;
    ScriptFacts facts;
  };

  // ---- survey: every script scanned, what the game uses --------------------------

  void Survey(scene::TQZElement& e) {
    for (const scene::TQZProp& p : e.Class().Props) {
      if (p.Kind() != scene::PropKind::String || !StartsWith(p.UpperName, "EX")) continue;
      const std::string source = p.GetStr(e);
      if (source.empty()) continue;
      ScriptFacts facts = scanner_.Scan(source);
      assigned_.insert(facts.assigned.begin(), facts.assigned.end());
      usesStars_ |= facts.usesStars;
      usesSounds_ |= !facts.sounds.empty();
      usesTexts_ |= !facts.textKeys.empty();
      scripts_[&e].push_back({&p, std::move(facts)});
    }
    if (e.ClassName() == "TQZText") {
      usesFonts_ |= !StringProp(e, "Font").empty();
      usesTexts_ |= !StringProp(e, "TextId").empty();
    }
    hasEffects_ |= e.ClassName() == "TQZEffect";
    for (scene::TQZElement* c : e.Children()) Survey(*c);
  }

  // ---- the root's own files and references ----------------------------------------

  void Root(const std::string& message) { out_.push_back(Label(root_, cp_) + ": " + message); }

  bool GameFile(const std::string& name) {
    auto path = platform::GameFiles().Resolve(name);
    std::error_code ec;
    return path && fs::is_regular_file(*path, ec);
  }

  void RootFiles() {
    if (scene::TQZElement* first = root_.FindByKey(root_.InitScreen)) {
      if (first->ClassName() != "TQZScreen")
        Root("InitScreen " + std::to_string(root_.InitScreen) + " names " + Label(*first, cp_) +
             ", which is not a screen");
    } else {
      Root("InitScreen " + std::to_string(root_.InitScreen) + " names no element");
    }
    if (root_.LoadingScreen != 0 && !root_.FindByKey(root_.LoadingScreen))
      Root("LoadingScreen " + std::to_string(root_.LoadingScreen) + " names no element");

    // Lang as the file stores it: the setter replaces a missing file by a fallback.
    const std::string lang = RootStringValue(data_, "Lang");
    if (!lang.empty() && !GameFile(lang)) {
      if (root_.Lang() != lang)
        Root("language file " + Quoted(lang, cp_) + " is not found; " + Quoted(root_.Lang(), cp_) +
             " is used instead");
      else
        Root("language file " + Quoted(lang, cp_) + " is not found");
    }
    hasLanguage_ = !root_.Lang().empty() && GameFile(root_.Lang());
    if (usesTexts_ && lang.empty())
      Root("language texts are used (TextId, text keys) but Lang names no file");
    if (!root_.DefLang().empty() && !GameFile(root_.DefLang()))
      Root("default language file " + Quoted(root_.DefLang(), cp_) + " is not found");

    const std::string& table = root_.SoundFile();
    hasSoundTable_ = !table.empty() && GameFile(table);
    if (!table.empty() && !hasSoundTable_)
      Root("sound table " + Quoted(table, cp_) + " is not found");
    else if (table.empty() && usesSounds_)
      Root("PlaySnd or PlayMuz is used but SoundFile names no sound table");

    const std::string& archive = root_.FileFonts();
    if (!archive.empty()) {
      auto path = platform::GameFiles().Resolve(archive);
      if (!path) {
        Root("font archive " + Quoted(archive, cp_) + " is not found");
      } else {
        const render::FontLoadResult r = fonts_.LoadFontArchive(path->string());
        // Texts are held against the fonts that do load; without any, the
        // archive's own line says it all.
        hasFonts_ = r.error == render::ArchiveError::kNone || r.fontsLoaded > 0;
        if (r.error != render::ArchiveError::kNone)
          Root("font archive " + Quoted(archive, cp_) + " " + Describe(r.error) +
               (r.fontsLoaded > 0 ? " (the " + std::to_string(r.fontsLoaded) +
                                        " fonts before the damage load)"
                                  : std::string()));
      }
    } else if (usesFonts_) {
      Root("texts name fonts but FileFonts names no font archive");
    }

    if (root_.UnicodeMode()) {
      const std::string verdict = probe_.Image("unicode\\unicode.png");
      if (!verdict.empty())
        Root("the unicode glyph picture \"unicode\\unicode.png\" " + verdict +
             "; texts draw nothing in unicode mode");
    }
    if (hasEffects_ || usesStars_) {
      const std::string verdict = probe_.Image("particles.bmp");
      if (!verdict.empty())
        Root("the particle sheet \"particles.bmp\" " + verdict + "; effects and stars draw nothing");
    }
  }

  // ---- elements ----------------------------------------------------------------------

  void Element(scene::TQZElement& e) {
    const std::string label = Label(e, cp_);
    auto say = [&](const std::string& message) { out_.push_back(label + ": " + message); };

    auto [it, fresh] = keys_.emplace(e.Key, &e);
    if (!fresh)
      say("Key " + std::to_string(e.Key) + " is also the key of " + Label(*it->second, cp_) +
          "; lookups by key find that one");

    for (const scene::TQZProp& p : e.Class().Props) {
      if (p.Kind() == scene::PropKind::String && StartsWith(p.UpperName, "IM")) {
        const std::string name = p.GetStr(e);
        if (name.empty()) continue;
        const std::string verdict = probe_.Image(name);
        if (!verdict.empty()) say(p.Name + ": image " + Quoted(name, cp_) + " " + verdict);
      } else if (p.Kind() == scene::PropKind::Ordinal && StartsWith(p.UpperName, "OB")) {
        Reference(e, p, say);
      }
    }

    if (e.ClassName() == "TQZText") Text(e, say);
    if (e.ClassName() == "TQZEffect") {
      const std::string file = StringProp(e, "EffectFN");
      if (!file.empty()) {
        const std::string verdict = probe_.Effect(file);
        if (!verdict.empty()) say("effect file " + Quoted(file, cp_) + " " + verdict);
      }
    }

    if (auto found = scripts_.find(&e); found != scripts_.end())
      for (const ScriptRecord& s : found->second) Script(label + " " + s.prop->Name, s.facts);

    for (scene::TQZElement* c : e.Children()) Element(*c);
  }

  // obScreen names a screen of the root, obAnim an animation of the root; 0 is none.
  template <class Say>
  void Reference(scene::TQZElement& e, const scene::TQZProp& p, Say& say) {
    const int32_t key = static_cast<int32_t>(p.GetOrd(e));
    if (key == 0) return;
    const char* wanted = p.UpperName == "OBSCREEN" ? "TQZScreen"
                         : p.UpperName == "OBANIM" ? "TQZAnim"
                                                   : nullptr;
    for (scene::TQZElement* c : root_.Children())
      if (c->Key == key && (!wanted || c->ClassName() == wanted)) return;
    if (scene::TQZElement* other = root_.FindByKey(key))
      say(p.Name + " " + std::to_string(key) + " names " + Label(*other, cp_) + ", which is not a" +
          (wanted && std::string(wanted) == "TQZAnim" ? "n animation" : " screen") +
          " of the root");
    else
      say(p.Name + " " + std::to_string(key) + " names no element");
  }

  template <class Say>
  void Text(scene::TQZElement& e, Say& say) {
    const std::string font = StringProp(e, "Font");
    if (!font.empty() && hasFonts_ && !fonts_.FindFont(font))
      say("font " + Quoted(font, cp_) + " is not in the font archive " +
          Quoted(root_.FileFonts(), cp_));
    const std::string textId = StringProp(e, "TextId");
    if (!textId.empty() && hasLanguage_ && root_.LookupText(textId).empty())
      say("TextId " + Quoted(textId, cp_) + " has no text in the language file " +
          Quoted(root_.Lang(), cp_));
  }

  void Script(const std::string& where, const ScriptFacts& f) {
    auto say = [&](const std::string& message) { out_.push_back(where + ": " + message); };
    if (!f.prepareError.empty()) say("does not prepare: " + f.prepareError);
    for (const std::string& problem : f.problems) say(problem);
    std::set<std::string> named;
    for (const std::string& name : f.bareNames)
      if (!assigned_.count(name) && named.insert(name).second)
        say("unknown procedure " + cp_.ToUtf8(name));
    for (const LiteralUse& use : f.sounds) {
      if (!hasSoundTable_) continue;
      std::string file;
      int volume = 0;
      root_.LookupSound(use.argument, file, volume);
      const std::string call = use.what == "PLAYSND" ? "PlaySnd " : "PlayMuz ";
      if (file.empty()) {
        say(call + Quoted(use.argument, cp_) + " has no entry in the sound table " +
            Quoted(root_.SoundFile(), cp_));
        continue;
      }
      const std::string verdict = probe_.Sound(file);
      if (!verdict.empty())
        say(call + Quoted(use.argument, cp_) + ": sound file " + Quoted(file, cp_) + " " + verdict);
    }
    for (const LiteralUse& use : f.screens) Screen(use, say);
    for (const LiteralUse& use : f.images) {
      const std::string verdict = probe_.Image(use.argument);
      if (!verdict.empty())
        say(std::string(use.what == "IMIMAGE" ? "imImage" : "ImBack") + " := " +
            Quoted(use.argument, cp_) + ": image " + verdict);
    }
    if (hasLanguage_) {
      std::set<std::string> keys;
      for (const std::string& key : f.textKeys)
        if (keys.insert(key).second && root_.LookupText(key).empty())
          say("text key " + Quoted(key, cp_) + " has no text in the language file " +
              Quoted(root_.Lang(), cp_));
    }
  }

  // A screen switch to QZDB.X: X must be a screen of the root, unless some
  // script gives the root a value of that name.
  template <class Say>
  void Screen(const LiteralUse& use, Say& say) {
    const std::string& path = use.argument;
    if (!StartsWith(path, "QZDB.")) return;
    const std::string name = path.substr(5);
    if (name.empty() || name.find('.') != std::string::npos) return;
    scene::TQZElement* target = root_.FindChildById(name);
    if (target && target->ClassName() == "TQZScreen") return;
    if (!target && (assigned_.count(name) || assigned_.count(path))) return;
    const std::string call = use.what == "SETSCREEN"       ? "SetScreen"
                             : use.what == "FASTSETSCREEN" ? "FastSetScreen"
                                                           : "FastSetScreenNS";
    if (target)
      say(call + "(" + cp_.ToUtf8(path) + ") names " + Label(*target, cp_) + ", which is not a screen");
    else
      say(call + "(" + cp_.ToUtf8(path) + ") names no screen");
  }

  scene::TQZDB& root_;
  std::span<const uint8_t> data_;
  const platform::CodePage& cp_;
  ResourceProbe& probe_;
  Findings& out_;
  ScriptScanner scanner_;
  render::FontStore fonts_;

  std::map<const scene::TQZElement*, std::vector<ScriptRecord>> scripts_;
  std::set<std::string> assigned_;
  std::map<int32_t, const scene::TQZElement*> keys_;
  bool usesStars_ = false, usesSounds_ = false, usesTexts_ = false, usesFonts_ = false;
  bool hasEffects_ = false;
  bool hasLanguage_ = false, hasSoundTable_ = false, hasFonts_ = false;
};

}  // namespace

CheckResult CheckGame(const fs::path& gameFile, const platform::CodePage& cp) {
  CheckResult result;
  std::error_code ec;
  if (fs::is_directory(gameFile, ec)) {
    result.status = CheckResult::Status::Unreadable;
    result.error = gameFile.string() + " is a folder; name the game file (.qzf) in it";
    return result;
  }
  auto bytes = platform::ReadWholeFile(gameFile);
  if (!bytes) {
    result.status = CheckResult::Status::Unreadable;
    result.error = "cannot read " + gameFile.string();
    return result;
  }
  const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes->data()),
                                      bytes->size());
  std::string why;
  if (CheckRecordStructure(data, cp, result.lines, why) == StructureVerdict::NotGame) {
    result.status = CheckResult::Status::NotGame;
    result.error = gameFile.string() + " is not a game file: " + why;
    result.lines.clear();
    return result;
  }

  const fs::path absolute = fs::absolute(gameFile, ec);
  LoadScope scope(absolute.parent_path(), cp);
  if (!scope.Ok()) {
    result.status = CheckResult::Status::Unreadable;
    result.error = "cannot make a scratch folder in " + fs::temp_directory_path(ec).string();
    return result;
  }
  scene::RegisterAllClasses();
  scene::TQZDB root;
  // Game names are code page text; the resolver matches them against the disk's names.
  root.SetGameFileName(cp.FromUtf8(absolute.filename().string()));
  // What loading complains about (the unicode font table) becomes findings.
  std::ostringstream complaints;
  {
    struct Redirect {
      std::streambuf* saved;
      explicit Redirect(std::streambuf* to) : saved(std::cerr.rdbuf(to)) {}
      ~Redirect() { std::cerr.rdbuf(saved); }
    } redirect(complaints.rdbuf());
    root.LoadGame();
  }
  ResourceProbe probe(root.Pack(), scope.Scratch(), cp);
  GameChecker(root, data, cp, probe, result.lines).Run(complaints.str());
  return result;
}

}  // namespace tools
