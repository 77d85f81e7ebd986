#pragma once
// The image cache: one TQZIm entry per distinct requested name, kept in
// request order for the whole run; textures come and go.
//
// A request registers the name and counts a reference. When loading is
// allowed (the load-now switch or the force flag) it finds the file (a loose
// file before the resource pack), decodes it, applies the naming conventions
// (sprite sheet, JPEG alpha masks, "*" alpha and "#" greyscale views) and
// uploads it to the image store. Names are keys after their ASCII letters are
// upper-cased. A name that cannot be found or decoded marks its entry failed
// for good. The memory budget (MaxMem) releases the least recently used
// textures.
//
// A screen switch may decode its pictures ahead on worker threads (see
// StartDecodingAhead); everything else, the bookkeeping included, happens on
// the thread that requests.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "resources/decode_pool.h"
#include "resources/image_conventions.h"

namespace platform {
class PathResolver;
}
namespace render {
class ImageStore;
class RenderImage;
}  // namespace render

namespace resources {

class TQZStore;

class TQZIm {
 public:
  // The requested name upper-cased, "*" and "#" prefixes included: the key.
  const std::string& Name() const { return name_; }
  // The uploaded image, or null while not loaded, after release, or when failed.
  // Drawing code asks the cache (ImageCache::TextureOf), which stamps the use.
  render::RenderImage* Texture() const { return texture_; }
  bool Failed() const { return failed_; }
  bool Kept() const { return kept_; }
  int32_t ReferenceCount() const { return references_; }
  int32_t LastUsed() const { return lastUsed_; }
  // Bytes of the decoded bitmap (width x height x 4).
  int64_t Size() const { return size_; }
  // In bitmap pixels; see ComputeOpaqueBox.
  const OpaqueBox& Box() const { return box_; }

 private:
  friend class ImageCache;
  std::string name_;
  render::RenderImage* texture_ = nullptr;
  int32_t lastUsed_ = 0;
  int64_t size_ = 0;
  int32_t references_ = 0;
  bool failed_ = false;
  bool kept_ = false;
  bool queued_ = false;  // in the cache's registrations for decoding ahead
  OpaqueBox box_;
};

class ImageCache {
 public:
  // Budgets at or below this value never trim.
  static constexpr int64_t kMinTrimBudget = 25000000;

  // Textures go to `store`, which must outlive the cache: the cache releases
  // its textures from it when destroyed.
  explicit ImageCache(render::ImageStore& store);
  ~ImageCache();
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // --- Where images come from -------------------------------------------------
  // Loose files; null: the process-wide game-file resolver.
  void SetFiles(platform::PathResolver* files) { files_ = files; }
  // The resource pack; null: none.
  void SetPack(const TQZStore* pack) { pack_ = pack; }
  // The per-user folder, where sprite-sheet files from the pack are copied to
  // be read ("temp.an" with a unique ending, removed afterwards).
  void SetUserFolder(std::filesystem::path folder) { userFolder_ = std::move(folder); }

  // --- Switches the game sets -------------------------------------------------
  // When off, requests without force only register and count. Each time it
  // goes off a new list of registered entries begins (see StartDecodingAhead).
  void SetLoadNow(bool on);
  bool LoadNow() const { return loadNow_; }
  // The frame loop's tick counter: the stamp of loads and draws.
  void SetTick(int32_t tick) { tick_ = tick; }
  int32_t Tick() const { return tick_; }
  // The root's MaxMem (bytes) and AlwaysLoadIm.
  void SetMaxMem(int32_t bytes) { maxMem_ = bytes; }
  int32_t MaxMem() const { return maxMem_; }
  void SetAlwaysLoad(bool on) { alwaysLoad_ = on; }
  bool AlwaysLoad() const { return alwaysLoad_; }
  // Whether a screen switch is loading (the game's loading flag), and the
  // progress step that runs after each image loaded while it is set.
  void SetLoadingQuery(std::function<bool()> loading) { loading_ = std::move(loading); }
  void SetProgressHook(std::function<void()> progress) { progress_ = std::move(progress); }

  // --- Counters scripts read --------------------------------------------------
  // Needed images: names registered while loading was off (first reference).
  int32_t NeededImages() const { return needed_; }
  void SetNeededImages(int32_t n) { needed_ = n; }
  // Loaded images: load attempts made.
  int32_t LoadedImages() const { return loaded_; }
  void SetLoadedImages(int32_t n) { loaded_ = n; }
  // Bytes counted against MaxMem: every upload adds, a trim resets it to what
  // remains, release of unreferenced images does not lower it.
  int64_t UsedMemory() const { return usedMemory_; }
  void SetUsedMemory(int64_t bytes) { usedMemory_ = bytes; }

  // --- Operations ---------------------------------------------------------------
  // The entry of the name (never null; it lives as long as the cache).
  // Loads it when the load-now switch is on or force is set.
  TQZIm* RequestImage(std::string_view name, bool force = false);
  // The entry's texture or null, stamping the entry as used now. With
  // AlwaysLoadIm, an entry without texture that has not failed is requested
  // first (its kept flag as force).
  render::RenderImage* TextureOf(TQZIm* entry);
  // Every reference count becomes 0.
  void ResetReferences();
  // Releases the texture of every entry without references that is not kept.
  void ReleaseUnreferenced();
  // Releases least recently used textures until the budget holds (see .cpp).
  void TrimToBudget();
  // After the window/full-screen switch: used memory 0, and every entry that
  // has a texture releases it and is requested again without force, keeping
  // its last-used stamp.
  void ReloadTextures();

  const std::vector<std::unique_ptr<TQZIm>>& Entries() const { return entries_; }
  TQZIm* Find(std::string_view key) const;

  // --- Decoding ahead -------------------------------------------------------------
  // Between Start and Stop, loads take their pictures' pixels from decoding
  // ahead: the entries registered since the load-now switch last went off
  // that are still unloaded are read, in the order of their registration, on
  // this thread, and decoded on worker threads. Every load still happens when
  // and in the order it is requested and does all else itself (companion
  // files, masks, views, upload, counters, budget, progress step); a picture
  // the plan does not hold, or that a different spelling of its name finds
  // elsewhere, is read and decoded by its load as always. Nested starts share
  // the outer one's plan.
  void StartDecodingAhead();
  void StopDecodingAhead();
  // Decoding threads (DefaultDecodeThreads() at first); 1 decodes every
  // picture in the load that asks for it, without registering anything.
  void SetDecodeThreads(int threads) { aheadLimits_.threads = threads; }
  int DecodeThreads() const { return aheadLimits_.threads; }
  // Bounds and thread start of decoding ahead (tests: small budgets, starts that fail).
  void SetDecodeAhead(const DecodePool::Limits& limits, DecodePool::Starter start = {}) {
    aheadLimits_ = limits;
    aheadStart_ = std::move(start);
  }
  // What the last decoding ahead did, once stopped.
  const DecodePool::Stats& LastDecodeAhead() const { return lastAhead_; }

 private:
  struct Source;
  struct Ahead;
  struct Registration {
    TQZIm* entry;
    std::string name;  // as requested, without the view prefixes
  };
  void Load(TQZIm& entry, std::string_view key, std::string_view name, bool alphaView,
            bool greyView);
  bool FindSource(std::string_view name, std::string_view key, Source& source) const;
  bool Exists(const Source& like, std::string_view name) const;
  bool Read(const Source& like, std::string_view name, std::string& bytes) const;
  bool ReadAndDecode(const Source& like, std::string_view name, DecodedImage& out) const;
  // The bytes of an image found at `source` (the pack under `key`).
  bool ReadPicture(const Source& source, std::string_view key, std::string& bytes) const;
  // The picture decoded ahead for the entry, when there is one and it was read
  // from `source`; nullopt: the load reads and decodes it itself.
  std::optional<DecodeError> TakeDecodedAhead(const TQZIm& entry, const Source& source,
                                              DecodedImage& picture);
  SpriteSheet ReadSpriteSheet(const Source& source, std::string_view name) const;
  void Release(TQZIm& entry);
  void ClearRegistered();
  platform::PathResolver& Files() const;

  render::ImageStore& store_;
  platform::PathResolver* files_ = nullptr;
  const TQZStore* pack_ = nullptr;
  std::filesystem::path userFolder_;
  bool loadNow_ = true;
  bool alwaysLoad_ = false;
  int32_t tick_ = 0;
  int32_t maxMem_ = 0;
  int32_t needed_ = 0;
  int32_t loaded_ = 0;
  int64_t usedMemory_ = 0;
  std::function<bool()> loading_;
  std::function<void()> progress_;
  std::vector<std::unique_ptr<TQZIm>> entries_;
  // Keyed by views of the entries' own names: an entry is never renamed, and
  // entries_ lets go of none before the cache goes.
  std::unordered_map<std::string_view, TQZIm*> byName_;
  std::string keyScratch_;  // the upper-cased name of the request being looked up

  // Each entry at most once: its queued_ flag is set while it is here.
  std::vector<Registration> registered_;
  DecodePool::Limits aheadLimits_{DefaultDecodeThreads()};
  DecodePool::Starter aheadStart_;
  DecodePool::Stats lastAhead_;
  int aheadDepth_ = 0;
  std::unique_ptr<Ahead> ahead_;
};

// Decodes ahead for the loads made while it lives; nothing without a cache.
class DecodingAhead {
 public:
  explicit DecodingAhead(ImageCache* cache) : cache_(cache) {
    if (cache_) cache_->StartDecodingAhead();
  }
  ~DecodingAhead() {
    if (cache_) cache_->StopDecodingAhead();
  }
  DecodingAhead(const DecodingAhead&) = delete;
  DecodingAhead& operator=(const DecodingAhead&) = delete;

 private:
  ImageCache* cache_;
};

}  // namespace resources
