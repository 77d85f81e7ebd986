#include "tools/check_resources.h"

#include <optional>
#include <vector>

#include "platform/file_io.h"
#include "platform/numeric.h"
#include "platform/path_resolver.h"
#include "resources/audio/sound_decoder.h"
#include "resources/audio/sound_system.h"
#include "resources/decoded_image.h"
#include "resources/image_conventions.h"
#include "scene/effect_params.h"
#include "tools/check_report.h"

namespace tools {

namespace {

const std::string kSoundFolder = "sounds\\";

std::span<const uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// The loose file a game name names, when it is a file.
std::optional<std::filesystem::path> LooseFile(const std::string& name) {
  auto path = platform::GameFiles().Resolve(name);
  std::error_code ec;
  if (path && std::filesystem::is_regular_file(*path, ec)) return path;
  return std::nullopt;
}

const char* Describe(resources::DecodeError e) {
  switch (e) {
    case resources::DecodeError::BadSignature: return "not in the format its extension names";
    case resources::DecodeError::Truncated: return "cut short";
    case resources::DecodeError::Unsupported: return "a kind of picture the player does not read";
    case resources::DecodeError::TooLarge: return "too large";
    case resources::DecodeError::Corrupt: return "damaged";
    case resources::DecodeError::OverBudget:  // only asked by callers that reserve
    case resources::DecodeError::None: break;
  }
  return "unreadable";
}

}  // namespace

ResourceProbe::ResourceProbe(const resources::TQZStore& pack, const std::filesystem::path& scratch,
                             const platform::CodePage& cp)
    : pack_(pack), cp_(cp), cache_(std::make_unique<resources::ImageCache>(store_)) {
  cache_->SetPack(&pack_);
  cache_->SetUserFolder(scratch);
  cache_->SetLoadNow(true);
}

ResourceProbe::~ResourceProbe() = default;

bool ResourceProbe::Exists(const std::string& name) const {
  return LooseFile(name) || pack_.IndexOf(name) >= 0;
}

bool ResourceProbe::ReadFile(const std::string& name, bool fromPack, std::string& bytes) const {
  if (fromPack) return pack_.ReadEntry(name, bytes);
  auto path = LooseFile(name);
  if (!path) return false;
  auto data = platform::ReadWholeFile(*path);
  if (!data) return false;
  bytes = std::move(*data);
  return true;
}

std::string ResourceProbe::Image(const std::string& name) {
  const std::string key = platform::AsciiUpper(name);
  if (auto it = images_.find(key); it != images_.end()) return it->second;
  // The file behind the view prefixes: "*" first, then "#".
  std::string fileName = name, fileKey = key;
  for (char prefix : {'*', '#'}) {
    if (!fileKey.empty() && fileKey.front() == prefix) {
      fileKey.erase(0, 1);
      fileName.erase(0, 1);
    }
  }
  std::string verdict;
  const bool loose = LooseFile(fileName).has_value();
  if (!loose && pack_.IndexOf(fileKey) < 0) {
    verdict = "is not found";
  } else {
    const resources::TQZIm* entry = cache_->RequestImage(name, false);
    const bool failed = entry->Failed();
    // Only the verdict is wanted: the picture goes at once.
    cache_->ResetReferences();
    cache_->ReleaseUnreferenced();
    if (failed) verdict = ExplainImageFailure(fileName, fileKey, !loose);
  }
  images_.emplace(key, verdict);
  return verdict;
}

std::string ResourceProbe::ExplainImageFailure(const std::string& fileName, const std::string& key,
                                               bool fromPack) {
  std::string bytes;
  if (!ReadFile(fromPack ? key : fileName, fromPack, bytes))
    return fromPack ? "cannot be read from the resource pack" : "cannot be read";
  const resources::ImageFormat format = resources::FormatFromName(fileName);
  resources::DecodedImage picture;
  const resources::DecodeError error = resources::DecodeImage(format, AsBytes(bytes), picture);
  if (error != resources::DecodeError::None)
    return std::string("does not decode: ") + Describe(error);
  // Mask partners are looked for beside the image, in the same source.
  std::vector<std::string> partners;
  if (format == resources::ImageFormat::Bmp) {
    if (auto jpeg = resources::MaskedJpegOfBmp(fileName)) partners.push_back(*jpeg);
    partners.push_back(resources::AlternativeMaskedJpegOfBmp(fileName));
  } else if (format == resources::ImageFormat::Jpeg) {
    if (auto bmp = resources::MaskBmpOfJpeg(fileName)) partners.push_back(*bmp);
  }
  for (const std::string& partner : partners) {
    const bool present = fromPack ? pack_.IndexOf(partner) >= 0 : LooseFile(partner).has_value();
    if (!present) continue;
    std::string partnerBytes;
    resources::DecodedImage partnerPicture;
    if (!ReadFile(partner, fromPack, partnerBytes))
      return "has a mask partner " + Quoted(partner, cp_) + " that cannot be read";
    const resources::DecodeError e = resources::DecodeImage(resources::FormatFromName(partner),
                                                            AsBytes(partnerBytes), partnerPicture);
    if (e != resources::DecodeError::None)
      return "has a mask partner " + Quoted(partner, cp_) + " that does not decode: " + Describe(e);
  }
  return "cannot be cut into the patterns its sprite-sheet file " +
         Quoted(resources::SpriteSheetName(fileName), cp_) + " asks for";
}

std::string ResourceProbe::Sound(const std::string& fileName) {
  const std::string name = platform::AsciiUpper(fileName);
  if (auto it = sounds_.find(name); it != sounds_.end()) return it->second;
  bool found = false;
  bool playable = false;
  // The player tries the name, then the same name ending in OGG.
  for (const std::string& candidate : {name, resources::AlternativeSoundName(name)}) {
    const std::string relative = kSoundFolder + candidate;
    resources::SoundLoadError error = resources::SoundLoadError::FileOpen;
    if (auto path = LooseFile(relative)) {
      found = true;
      resources::OpenStreamFile(*path, 0, 0, error);
    } else if (pack_.IndexOf(relative) >= 0) {
      found = true;
      auto bytes = std::make_shared<std::string>();
      if (pack_.ReadEntry(relative, *bytes))
        resources::OpenStreamMemory(std::move(bytes), 0, 0, error);
    }
    if (error == resources::SoundLoadError::None) {
      playable = true;
      break;
    }
  }
  std::string verdict;
  if (!found)
    verdict = "is not found in \"sounds\\\" (nor with the ending OGG)";
  else if (!playable)
    verdict = "does not decode as a sound";
  sounds_.emplace(name, verdict);
  return verdict;
}

std::string ResourceProbe::Effect(const std::string& name) {
  const std::string key = platform::AsciiUpper(name);
  if (auto it = effects_.find(key); it != effects_.end()) return it->second;
  std::string verdict;
  uint64_t size = 0;
  if (auto path = LooseFile(name)) {
    std::error_code ec;
    size = std::filesystem::file_size(*path, ec);
  } else if (pack_.IndexOf(name) >= 0) {
    std::string bytes;
    if (!pack_.ReadEntry(name, bytes))
      verdict = "cannot be read from the resource pack";
    size = bytes.size();
  } else {
    verdict = "is not found";
  }
  if (verdict.empty() && size < scene::kEffectBlockSize)
    verdict = "holds " + std::to_string(size) + " bytes of the " +
              std::to_string(scene::kEffectBlockSize) +
              " an effect file has; the parameters after them stay 0";
  effects_.emplace(key, verdict);
  return verdict;
}

}  // namespace tools
