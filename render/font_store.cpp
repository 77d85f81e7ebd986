#include "render/font_store.h"

#include <algorithm>

#include "platform/codepage.h"

namespace render {

FontStore::FontStore(const platform::CodePage* codePage)
    : codePage_(codePage != nullptr ? codePage : &platform::CodePage::Default()) {}

bool FontStore::SameName(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (codePage_->Upper(static_cast<unsigned char>(a[i])) !=
        codePage_->Upper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

RenderFont* FontStore::ObjectFor(const std::string& name) {
  for (const auto& font : all_) {
    if (!font->Loaded() && SameName(font->Name(), name)) return font.get();
  }
  all_.push_back(std::make_unique<RenderFont>(name));
  return all_.back().get();
}

void FontStore::ReleaseFonts() {
  for (RenderFont* font : loaded_) font->Unload();
  loaded_.clear();
}

FontLoadResult FontStore::LoadFontArchive(const std::string& path) {
  FontArchive archive;
  const ArchiveError error = archive.Open(path);
  if (error != ArchiveError::kNone) {
    ReleaseFonts();
    FontLoadResult result;
    result.error = error;
    return result;
  }
  return LoadFontArchive(archive);
}

FontLoadResult FontStore::LoadFontArchive(const FontArchive& archive) {
  ReleaseFonts();
  FontLoadResult result;
  for (const ArchiveEntry& entry : archive.Entries()) {
    if (entry.kind != kFontRecordKind) continue;
    if (entry.secured) {
      ++result.securedSkipped;
      continue;
    }
    std::optional<std::string> data = UnpackRecord(entry);
    if (!data) {
      result.error = ArchiveError::kBadPacking;
      return result;
    }
    RenderFont* font = ObjectFor(entry.name);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data->data()),
                                         data->size());
    if (font->Load(bytes) != FontRecordError::kNone) {
      result.error = ArchiveError::kBadRecord;
      return result;
    }
    loaded_.push_back(font);
    ++result.fontsLoaded;
  }
  result.error = archive.TableError();
  return result;
}

RenderFont* FontStore::FindFont(std::string_view name) const {
  for (RenderFont* font : loaded_) {
    if (SameName(font->Name(), name)) return font;
  }
  return nullptr;
}

}  // namespace render
