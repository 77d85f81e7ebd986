// Sound and music: PlaySnd, PlayMuz, StopMuz.
//
// A sound is named by its sound-table address ("Section.Key", or "Key" in
// section Default); the table gives the file and the volume in percent. The
// volume starts at 100 before the lookup, so an entry whose "vol:" part is
// not an integer plays at full volume rather than at an arbitrary one.
// Without a sound system (tests, the tool) nothing plays.

#include "resources/audio/sound_system.h"
#include "scene/db.h"
#include "scriptlib/handlers.h"

namespace scriptlib {

namespace {

inline constexpr int kDefaultSoundVolume = 100;

// The root's sound system and the file and volume of an address; null when
// there is nothing to play.
resources::SoundSystem* Lookup(const Value& address, std::string& file, int& volume) {
  std::string name = AsText(address);
  scene::TQZDB* root = GameRoot();
  if (!root) return nullptr;
  file.clear();
  volume = kDefaultSoundVolume;
  root->LookupSound(name, file, volume);
  if (file.empty()) return nullptr;
  return root->Services().sound;
}

}  // namespace

namespace natives {

bool PlaySnd(TPasCalc&, TVarList& args, TVar&) {
  if (!CountIs(args, 1)) return false;
  std::string file;
  int volume;
  if (resources::SoundSystem* sound = Lookup(Arg(args, 0), file, volume)) sound->PlaySnd(file, volume);
  return true;
}

bool PlayMuz(TPasCalc&, TVarList& args, TVar&) {
  if (!CountIs(args, 1)) return false;
  std::string file;
  int volume;
  if (resources::SoundSystem* sound = Lookup(Arg(args, 0), file, volume)) sound->PlayMuz(file, volume);
  return true;
}

// StopMuz(x): the argument is required and ignored.
bool StopMuz(TPasCalc&, TVarList& args, TVar&) {
  if (!CountIs(args, 1)) return false;
  scene::TQZDB* root = GameRoot();
  if (root && root->Services().sound) root->Services().sound->StopMuz();
  return true;
}

}  // namespace natives
}  // namespace scriptlib
