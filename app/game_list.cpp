#include "app/game_list.h"

#include <algorithm>

#include "platform/codepage.h"
#include "render/bitmap.h"
#include "render/canvas.h"
#include "render/image_store.h"
#include "render/text_picture.h"

namespace app {

namespace {

constexpr uint32_t kBackground = 0xFF1E2430;
constexpr uint32_t kRow = 0xFF2A3242, kRowLit = 0xFF3A4A66;
constexpr uint32_t kDim = 0xFF9AA4B8, kWarning = 0xFFFF8080;
constexpr int kVkReturn = 13, kVkEscape = 27, kVkUp = 38, kVkDown = 40, kVkDelete = 46;
constexpr int kVkHome = 36, kVkEnd = 35;

bool IsGone(const GameEntry& g) { return g.gone; }

}  // namespace

std::filesystem::path GameListFont() {
  for (const char* p : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                        "/usr/local/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(p, ec)) return p;
  }
  return {};
}

GameList::GameList(render::Canvas& canvas, const GameLibrary& library,
                   std::filesystem::path fontFile)
    : canvas_(canvas),
      library_(library),
      fontFile_(std::move(fontFile)),
      store_(std::make_unique<render::ImageStore>()) {
  Refresh();
}

GameList::~GameList() = default;

void GameList::Refresh() {
  entries_ = library_.List();
  Select(std::min(selected_, static_cast<int>(entries_.size()) - 1));
}

void GameList::Select(int index) {
  selected_ = std::max(index, 0);
  if (selected_ < scroll_) scroll_ = selected_;
  if (selected_ >= scroll_ + kVisibleRows) scroll_ = selected_ - kVisibleRows + 1;
}

void GameList::Text(const std::string& utf8, int size, int x, int y, uint32_t colour) {
  if (utf8.empty() || fontFile_.empty()) return;
  auto key = std::make_pair(utf8, size);
  auto it = texts_.find(key);
  if (it == texts_.end()) {
    render::RenderImage* image = nullptr;
    render::TextPicture picture;
    if (render::RenderTextPicture(fontFile_.string(), size, platform::Utf8ToUtf16(utf8), picture) ==
        render::TextPictureError::kNone) {
      image = store_->AddImage();
      if (!store_->LoadImagePixels(image,
                                   render::BitmapView::Argb(picture.pixels.data(), picture.width,
                                                            picture.height, true),
                                   1, 1, render::ColourKey::kBlack)) {
        store_->ReleaseImage(image);
        image = nullptr;
      }
    }
    it = texts_.emplace(key, image).first;
  }
  if (it->second) canvas_.DrawImage(it->second, colour, x, y, 0, render::kEffectAlpha);
}

void GameList::Draw() {
  canvas_.FillRect(0, 0, 1024, 768, kBackground, render::kEffectOpaque);
  Text("Qazmir", 40, kLeft, 36, kTitleColour);
  Text(entries_.empty() ? "No games yet" : "Choose a game", 20, kLeft, 96, kDim);
  const int last = std::min(static_cast<int>(entries_.size()), scroll_ + kVisibleRows);
  for (int i = scroll_; i < last; ++i) {
    const GameEntry& g = entries_[static_cast<size_t>(i)];
    const int top = kFirstRow + (i - scroll_) * kRowHeight;
    const bool lit = i == selected_ || i == hovered_;
    canvas_.FillRect(kLeft, top, kRight - kLeft, kRowHeight - 6, lit ? kRowLit : kRow,
                     render::kEffectOpaque);
    Text(g.title, kTitleSize, kTitleX, top + kTitleY, IsGone(g) ? kGoneColour : kTitleColour);
    std::string detail = g.file.parent_path().string();
    if (IsGone(g)) detail = "no longer there: " + detail + "  (Delete or x forgets it)";
    else if (g.installed) detail = "installed: " + detail;
    Text(detail, 14, kTitleX, top + 40, kDim);
    if (IsGone(g)) {
      const int bx = kRight - kForgetSize - 12, by = top + (kRowHeight - 6 - kForgetSize) / 2;
      canvas_.FrameRect(bx, by, kForgetSize, kForgetSize, kGoneColour, render::kEffectOpaque);
      Text("x", 22, bx + 10, by + 2, kGoneColour);
    }
  }
  if (scroll_ > 0) Text("more above", 14, kRight - 110, kFirstRow - 22, kDim);
  if (last < static_cast<int>(entries_.size()))
    Text("more below", 14, kRight - 110, kFirstRow + kVisibleRows * kRowHeight, kDim);
  if (!message_.empty()) Text(message_, 16, kLeft, 640, kWarning);
  Text("To add a game, drop its folder or its .qzf file onto this window,", 16, kLeft, 690, kDim);
  Text("or open the .qzf file from your file manager.", 16, kLeft, 712, kDim);
}

int GameList::EntryAt(int x, int y, bool& forget) const {
  forget = false;
  if (x < kLeft || x >= kRight || y < kFirstRow) return -1;
  const int row = (y - kFirstRow) / kRowHeight;
  const int index = scroll_ + row;
  if (row >= kVisibleRows || index >= static_cast<int>(entries_.size())) return -1;
  if ((y - kFirstRow) % kRowHeight >= kRowHeight - 6) return -1;  // the gap between rows
  const int top = kFirstRow + row * kRowHeight;
  const int bx = kRight - kForgetSize - 12, by = top + (kRowHeight - 6 - kForgetSize) / 2;
  forget = entries_[static_cast<size_t>(index)].gone && x >= bx && x < bx + kForgetSize &&
           y >= by && y < by + kForgetSize;
  return index;
}

void GameList::PointerMove(int x, int y) {
  bool forget;
  hovered_ = EntryAt(x, y, forget);
}

GameList::Action GameList::Choose(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return {};
  const GameEntry& g = entries_[static_cast<size_t>(index)];
  if (g.gone) {
    message_ = "\"" + g.title + "\" is no longer at " + g.file.string();
    return {};
  }
  return {Action::Kind::Play, g.file};
}

GameList::Action GameList::Press(int x, int y) {
  bool forget;
  const int index = EntryAt(x, y, forget);
  if (index < 0) return {};
  Select(index);
  if (forget) {
    library_.Forget(entries_[static_cast<size_t>(index)].file);
    Refresh();
    return {};
  }
  return Choose(index);
}

GameList::Action GameList::Key(int virtualKey) {
  const int count = static_cast<int>(entries_.size());
  switch (virtualKey) {
    case kVkEscape: return {Action::Kind::Quit, {}};
    case kVkReturn: return Choose(selected_);
    case kVkUp: Select(std::max(selected_ - 1, 0)); break;
    case kVkDown: Select(std::min(selected_ + 1, std::max(count - 1, 0))); break;
    case kVkHome: Select(0); break;
    case kVkEnd: Select(std::max(count - 1, 0)); break;
    case kVkDelete:
      if (selected_ < count && entries_[static_cast<size_t>(selected_)].gone) {
        library_.Forget(entries_[static_cast<size_t>(selected_)].file);
        Refresh();
      }
      break;
    default: break;
  }
  return {};
}

GameList::Action GameList::Drop(const std::filesystem::path& path) {
  return {Action::Kind::Play, path};
}

}  // namespace app
