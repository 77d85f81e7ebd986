#include "resources/image_cache.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/confined_files.h"
#include "platform/file_io.h"
#include "platform/numeric.h"
#include "platform/path_resolver.h"
#include "render/bitmap.h"
#include "render/image_store.h"
#include "resources/store.h"

namespace resources {

namespace {

// Sprite-sheet files hold two short lines; anything bigger is not one.
constexpr uint64_t kMaxSpriteSheetBytes = 1 << 20;

std::span<const uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace

// Where an image was found; its companions (sprite sheet, mask partner) are
// looked for in the same place.
struct ImageCache::Source {
  bool fromPack = false;
  std::filesystem::path path;  // loose files

  bool operator==(const Source&) const = default;
};

// The plan of one decoding ahead: the registered entries still unloaded, in
// registration order. An item's source is set when its bytes are read.
struct ImageCache::Ahead {
  struct Item {
    TQZIm* entry = nullptr;
    std::string name;  // as registered, without the view prefixes
    std::string key;
    Source source;
    bool read = false;
  };
  std::vector<Item> items;
  std::unordered_map<const TQZIm*, size_t> index;
  std::unique_ptr<DecodePool> pool;
};

ImageCache::ImageCache(render::ImageStore& store) : store_(store) {}

ImageCache::~ImageCache() {
  for (auto& e : entries_) Release(*e);
}

platform::PathResolver& ImageCache::Files() const {
  return files_ ? *files_ : platform::GameFiles();
}

TQZIm* ImageCache::Find(std::string_view key) const {
  auto it = byName_.find(key);
  return it == byName_.end() ? nullptr : it->second;
}

TQZIm* ImageCache::RequestImage(std::string_view name, bool force) {
  keyScratch_.resize(name.size());
  std::transform(name.begin(), name.end(), keyScratch_.begin(), platform::AsciiUpperChar);
  TQZIm* entry = Find(keyScratch_);
  if (!entry) {
    auto fresh = std::make_unique<TQZIm>();
    fresh->name_ = keyScratch_;
    fresh->kept_ = force;
    entry = fresh.get();
    entries_.push_back(std::move(fresh));
    byName_.emplace(entry->name_, entry);
  }
  // The scratch is free again: a load below may request other images.
  const std::string& key = entry->name_;

  // "*" first, then "#": a "#" before "*" leaves the "*" in the file name.
  std::string_view fileKey = key;
  std::string_view fileName = name;
  bool alphaView = false;
  bool greyView = false;
  if (!fileKey.empty() && fileKey.front() == '*') {
    alphaView = true;
    fileKey.remove_prefix(1);
    fileName.remove_prefix(1);
  }
  if (!fileKey.empty() && fileKey.front() == '#') {
    greyView = true;
    fileKey.remove_prefix(1);
    fileName.remove_prefix(1);
  }

  ++entry->references_;
  if (entry->texture_ || entry->failed_) return entry;
  if (!loadNow_ && !force) {
    if (entry->references_ == 1) ++needed_;
    if (aheadLimits_.threads > 1 && !entry->queued_) {
      registered_.push_back({entry, std::string(fileName)});
      entry->queued_ = true;
    }
    return entry;
  }
  ++loaded_;
  Load(*entry, fileKey, fileName, alphaView, greyView);
  return entry;
}

bool ImageCache::FindSource(std::string_view name, std::string_view key, Source& source) const {
  if (auto path = Files().Resolve(name)) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(*path, ec)) {
      source = {false, *path};
      return true;
    }
  }
  if (pack_ && pack_->IndexOf(key) >= 0) {
    source = {true, {}};
    return true;
  }
  return false;
}

bool ImageCache::Exists(const Source& like, std::string_view name) const {
  if (like.fromPack) return pack_ && pack_->IndexOf(name) >= 0;
  auto path = Files().Resolve(name);
  std::error_code ec;
  return path && std::filesystem::is_regular_file(*path, ec);
}

bool ImageCache::Read(const Source& like, std::string_view name, std::string& bytes) const {
  if (like.fromPack) return pack_ && pack_->ReadEntry(name, bytes);
  auto path = Files().Resolve(name);
  if (!path) return false;
  auto data = platform::ReadWholeFile(*path);
  if (!data) return false;
  bytes = std::move(*data);
  return true;
}

bool ImageCache::ReadPicture(const Source& source, std::string_view key, std::string& bytes) const {
  if (source.fromPack) return pack_->ReadEntry(key, bytes);
  auto data = platform::ReadWholeFile(source.path);
  if (!data) return false;
  bytes = std::move(*data);
  return true;
}

bool ImageCache::ReadAndDecode(const Source& like, std::string_view name, DecodedImage& out) const {
  std::string bytes;
  return Read(like, name, bytes) &&
         DecodeImage(FormatFromName(name), AsBytes(bytes), out) == DecodeError::None;
}

SpriteSheet ImageCache::ReadSpriteSheet(const Source& source, std::string_view name) const {
  const std::string sheetName = SpriteSheetName(name);
  if (!source.fromPack) {
    auto path = Files().Resolve(sheetName);
    if (!path) return {};
    auto text = platform::ReadWholeFile(*path, kMaxSpriteSheetBytes);
    return text ? ParseSpriteSheet(*text) : SpriteSheet{};
  }
  // A pack copy is read through a file in the per-user folder, under a name of
  // its own so that two players (or two caches) never read each other's copy.
  const int index = pack_ ? pack_->IndexOf(sheetName) : -1;
  if (index < 0 || userFolder_.empty()) return {};
  const auto& e = pack_->Entries()[static_cast<size_t>(index)];
  if (e.size < 0 || static_cast<uint64_t>(e.size) > kMaxSpriteSheetBytes) return {};
  std::string bytes;
  if (!pack_->ReadEntryAt(index, bytes)) return {};
  auto tmp = platform::CreateUniqueFile(userFolder_, "temp.an", bytes);
  if (!tmp) return {};
  SpriteSheet sheet;
  if (auto text = platform::ReadWholeFile(*tmp, kMaxSpriteSheetBytes)) sheet = ParseSpriteSheet(*text);
  platform::RemoveConfined(*tmp);
  return sheet;
}

void ImageCache::Load(TQZIm& entry, std::string_view key, std::string_view name, bool alphaView,
                      bool greyView) {
  Source source;
  DecodedImage picture;
  const ImageFormat format = FormatFromName(name);
  if (!FindSource(name, key, source)) {
    entry.failed_ = true;
    return;
  }
  const SpriteSheet sheet = ReadSpriteSheet(source, source.fromPack ? key : name);
  if (auto early = TakeDecodedAhead(entry, source, picture)) {
    if (*early != DecodeError::None) {
      entry.failed_ = true;
      return;
    }
  } else {
    std::string bytes;
    if (!ReadPicture(source, key, bytes) ||
        DecodeImage(format, AsBytes(bytes), picture) != DecodeError::None) {
      entry.failed_ = true;
      return;
    }
  }

  // A partner that exists but cannot be read fails the entry: showing the bare
  // mask, or the colours without their mask, would show the wrong picture.
  if (format == ImageFormat::Bmp) {
    if (auto jpeg = MaskedJpegOfBmp(name); jpeg && Exists(source, *jpeg)) {
      DecodedImage colours;
      if (!ReadAndDecode(source, *jpeg, colours)) {
        entry.failed_ = true;
        return;
      }
      picture = ApplyMask(std::move(colours), picture);
    }
    if (alphaView) ApplyAlphaView(picture);
    if (greyView) ApplyGreyView(picture);
    if (std::string jpeg = AlternativeMaskedJpegOfBmp(name); Exists(source, jpeg)) {
      DecodedImage colours;
      if (!ReadAndDecode(source, jpeg, colours)) {
        entry.failed_ = true;
        return;
      }
      picture = ApplyMask(std::move(colours), picture);
    }
  } else if (format == ImageFormat::Jpeg) {
    if (auto bmp = MaskBmpOfJpeg(name); bmp && Exists(source, *bmp)) {
      DecodedImage mask;
      if (!ReadAndDecode(source, *bmp, mask)) {
        entry.failed_ = true;
        return;
      }
      picture = ApplyMask(std::move(picture), mask);
    }
  }

  entry.box_ = ComputeOpaqueBox(picture);
  render::RenderImage* image = store_.AddImage();
  image->SetName(entry.name_);
  const auto view = render::BitmapView::Argb(picture.pixels.data(), picture.width, picture.height,
                                             picture.hasAlpha);
  if (!store_.LoadImagePixels(image, view, sheet.columns, sheet.rows)) {
    store_.ReleaseImage(image);
    entry.texture_ = nullptr;
    entry.failed_ = true;
    return;
  }
  entry.texture_ = image;
  entry.size_ = int64_t{picture.width} * picture.height * 4;
  usedMemory_ += entry.size_;
  entry.lastUsed_ = tick_;
  picture = DecodedImage();  // the pixels live in the texture now

  if (maxMem_ > kMinTrimBudget &&
      static_cast<double>(usedMemory_) / static_cast<double>(maxMem_) > 1.1) {
    TrimToBudget();
  }
  if (loading_ && progress_ && loading_()) progress_();
}

void ImageCache::ClearRegistered() {
  for (Registration& r : registered_) r.entry->queued_ = false;
  registered_.clear();
}

void ImageCache::SetLoadNow(bool on) {
  if (loadNow_ && !on) ClearRegistered();
  loadNow_ = on;
}

void ImageCache::StartDecodingAhead() {
  if (aheadDepth_++ > 0) return;
  std::vector<Registration> registered = std::move(registered_);
  registered_.clear();
  for (Registration& r : registered) r.entry->queued_ = false;
  lastAhead_ = {};
  if (aheadLimits_.threads <= 1) return;
  auto ahead = std::make_unique<Ahead>();
  for (Registration& r : registered) {
    if (r.entry->texture_ || r.entry->failed_) continue;
    ahead->index.emplace(r.entry, ahead->items.size());
    ahead->items.push_back({r.entry, r.name, platform::AsciiUpper(r.name), {}, false});
  }
  if (ahead->items.empty()) return;
  // Runs on this thread, from Fill: the resolver and the pack are never used
  // by the workers.
  auto read = [this, plan = ahead.get()](size_t i, std::string& bytes, ImageFormat& format) {
    Ahead::Item& item = plan->items[i];
    if (!FindSource(item.name, item.key, item.source) || !ReadPicture(item.source, item.key, bytes))
      return false;
    item.read = true;
    format = FormatFromName(item.name);
    return true;
  };
  ahead->pool = std::make_unique<DecodePool>(ahead->items.size(), aheadLimits_, read, aheadStart_);
  if (!ahead->pool->Running()) {
    lastAhead_ = ahead->pool->GetStats();
    return;
  }
  ahead_ = std::move(ahead);
  ahead_->pool->Fill();
}

void ImageCache::StopDecodingAhead() {
  if (aheadDepth_ == 0 || --aheadDepth_ > 0) return;
  if (!ahead_) return;
  lastAhead_ = ahead_->pool->GetStats();
  ahead_.reset();
}

std::optional<DecodeError> ImageCache::TakeDecodedAhead(const TQZIm& entry, const Source& source,
                                                        DecodedImage& picture) {
  if (!ahead_) return std::nullopt;
  auto it = ahead_->index.find(&entry);
  if (it == ahead_->index.end()) return std::nullopt;
  DecodedImage early;
  const std::optional<DecodeError> result = ahead_->pool->Take(it->second, early);
  const Ahead::Item& item = ahead_->items[it->second];
  // Another spelling of the name may find another file: its bytes are not
  // the ones this load would read.
  if (!result || !item.read || !(item.source == source)) return std::nullopt;
  picture = std::move(early);
  return result;
}

render::RenderImage* ImageCache::TextureOf(TQZIm* entry) {
  if (!entry) return nullptr;
  entry->lastUsed_ = tick_;
  if (alwaysLoad_ && !entry->texture_ && !entry->failed_) {
    // The name is copied: a request may append entries while it runs.
    const std::string name = entry->name_;
    RequestImage(name, entry->kept_);
  }
  return entry->texture_;
}

void ImageCache::Release(TQZIm& entry) {
  if (!entry.texture_) return;
  store_.ReleaseImage(entry.texture_);
  entry.texture_ = nullptr;
}

void ImageCache::ResetReferences() {
  for (auto& e : entries_) e->references_ = 0;
}

void ImageCache::ReleaseUnreferenced() {
  for (auto& e : entries_) {
    if (e->references_ == 0 && !e->kept_) Release(*e);
  }
}

// Least recently used first: each round releases every candidate (an entry
// after the first, with a texture, not kept) whose stamp is the oldest, one
// by one, until the candidates still loaded fit under MaxMem; used memory
// then becomes their sum. When no candidate is left, the trim ends with used
// memory at that sum, 0: what is still loaded is kept or first, and neither
// can ever be released, so counting it would only start a futile trim after
// every later load.
void ImageCache::TrimToBudget() {
  while (!entries_.empty()) {
    int32_t oldest = INT32_MAX;
    int64_t sum = 0;
    bool any = false;
    for (size_t i = 1; i < entries_.size(); ++i) {
      const TQZIm& e = *entries_[i];
      if (!e.texture_ || e.kept_) continue;
      any = true;
      oldest = std::min(oldest, e.lastUsed_);
      sum += e.size_;
    }
    if (!any) {
      usedMemory_ = 0;
      return;
    }
    for (size_t i = 1; i < entries_.size(); ++i) {
      TQZIm& e = *entries_[i];
      if (!e.texture_ || e.kept_ || e.lastUsed_ != oldest) continue;
      Release(e);
      sum -= e.size_;
      if (maxMem_ >= 0 && sum < maxMem_) {
        usedMemory_ = sum;
        return;
      }
    }
  }
}

void ImageCache::ReloadTextures() {
  usedMemory_ = 0;
  const int32_t savedTick = tick_;
  const size_t count = entries_.size();
  for (size_t i = 0; i < count; ++i) {
    TQZIm& e = *entries_[i];
    if (!e.texture_) continue;
    Release(e);
    tick_ = e.lastUsed_;
    const std::string name = e.name_;
    RequestImage(name, false);
  }
  tick_ = savedTick;
}

}  // namespace resources
