#pragma once
// ResourceProbe: whether the files a game names can be used, found the way
// the player finds them (loose files in the game's folder, any letter case,
// before entries of the resource pack). Each answer is empty when the
// resource is usable, else a phrase saying what is wrong ("is not found",
// "does not decode: ..."). Answers are remembered per name.
//
// Images go through the player's own image cache (prefixes "*" and "#",
// sprite-sheet files, JPEG alpha-mask partners, the upload into patterns);
// each picture is released as soon as it has been tried. Sounds are opened as
// streams, which reads their headers without decoding them whole.

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/codepage.h"
#include "render/image_store.h"
#include "resources/image_cache.h"
#include "resources/store.h"

namespace tools {

class ResourceProbe {
 public:
  // `scratch` is a folder the image cache may write temporary copies of
  // sprite-sheet files into.
  ResourceProbe(const resources::TQZStore& pack, const std::filesystem::path& scratch,
                const platform::CodePage& cp);
  ~ResourceProbe();
  ResourceProbe(const ResourceProbe&) = delete;
  ResourceProbe& operator=(const ResourceProbe&) = delete;

  // A loose file (not a folder) or a pack entry of that name.
  bool Exists(const std::string& name) const;

  // An image name as elements and scripts give it.
  std::string Image(const std::string& name);
  // A sound file name from the sound table (looked for in "sounds\", with the
  // OGG alternative).
  std::string Sound(const std::string& fileName);
  // An effect file name (EffectFN).
  std::string Effect(const std::string& name);

 private:
  bool ReadFile(const std::string& name, bool fromPack, std::string& bytes) const;
  std::string ExplainImageFailure(const std::string& fileName, const std::string& key, bool fromPack);

  const resources::TQZStore& pack_;
  const platform::CodePage& cp_;
  render::ImageStore store_;
  std::unique_ptr<resources::ImageCache> cache_;
  std::map<std::string, std::string> images_, sounds_, effects_;
};

}  // namespace tools
