#include "resources/image_cache.h"

#include <unistd.h>

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
};

ImageCache::ImageCache(render::ImageStore& store) : store_(store) {}

ImageCache::~ImageCache() {
  for (auto& e : entries_) Release(*e);
}

platform::PathResolver& ImageCache::Files() const {
  return files_ ? *files_ : platform::GameFiles();
}

TQZIm* ImageCache::Find(std::string_view key) const {
  auto it = byName_.find(std::string(key));
  return it == byName_.end() ? nullptr : it->second;
}

TQZIm* ImageCache::RequestImage(std::string_view name, bool force) {
  const std::string key = platform::AsciiUpper(name);
  TQZIm* entry = Find(key);
  if (!entry) {
    auto fresh = std::make_unique<TQZIm>();
    fresh->name_ = key;
    fresh->kept_ = force;
    entry = fresh.get();
    entries_.push_back(std::move(fresh));
    byName_.emplace(key, entry);
  }

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
  {
    std::string bytes;
    bool ok = false;
    if (source.fromPack) {
      ok = pack_->ReadEntry(key, bytes);
    } else if (auto data = platform::ReadWholeFile(source.path)) {
      bytes = std::move(*data);
      ok = true;
    }
    if (!ok || DecodeImage(format, AsBytes(bytes), picture) != DecodeError::None) {
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
