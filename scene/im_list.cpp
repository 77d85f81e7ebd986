#include "scene/im_list.h"

#include <algorithm>

#include "platform/numeric.h"
#include "render/canvas.h"
#include "render/render_image.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/prop_table.h"
#include "scene/visual_util.h"

namespace scene {

namespace {

constexpr double kZoomGrowth = 0.05;
constexpr double kZoomShrink = 0.1;

}  // namespace

TQZImList::TQZImList(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZImList");
  BindClass(cls);
  Hovered = -1;
  NoMsQZDB = true;
}

// ---- grid -----------------------------------------------------------------------

void TQZImList::ComputeCells() {
  ElWidth = 0;
  ElHeight = 0;
  if (ColCount == 0 || RowCount == 0) return;
  auto cell = [](int64_t size, int64_t count, int64_t space) {
    const int64_t v = (size - (count - 1) * space) / count;
    return v < 0 ? 0 : SaturateI32(v);
  };
  ElWidth = cell(SizeX, ColCount, Space);
  ElHeight = cell(SizeY, RowCount, Space);
  FirstRow = 0;
}

void TQZImList::SetRowCount(int32_t value) {
  RowCount = value;
  ComputeCells();
}

void TQZImList::SetColCount(int32_t value) {
  ColCount = value;
  ComputeCells();
}

void TQZImList::SetSpace(int32_t value) {
  Space = value;
  ComputeCells();
}

void TQZImList::SetSizeX(int32_t value) {
  SizeX = value;
  ComputeCells();
}

void TQZImList::SetSizeY(int32_t value) {
  SizeY = value;
  ComputeCells();
}

// ---- entries --------------------------------------------------------------------

void TQZImList::AddEntry(TQZImage* image) {
  if (!image) return;
  Entries.push_back(Entry{image, 1.0});
  FirstRow = 0;
}

bool TQZImList::RemoveEntry(const TQZImage* image) {
  auto it = std::find_if(Entries.begin(), Entries.end(),
                         [&](const Entry& e) { return e.image == image; });
  if (it == Entries.end()) return false;
  Entries.erase(it);
  return true;
}

bool TQZImList::RemoveEntryById(const std::string& id) {
  auto it = std::find_if(Entries.begin(), Entries.end(),
                         [&](const Entry& e) { return e.image->Id == id; });
  if (it == Entries.end()) return false;
  Entries.erase(it);
  return true;
}

int32_t TQZImList::HoveredEntry() const {
  return Hovered >= 0 && static_cast<size_t>(Hovered) < Entries.size() ? Hovered : -1;
}

std::string TQZImList::ElementsText() const {
  std::string out;
  for (const Entry& e : Entries) {
    out += std::to_string(e.image->Key);
    out += ';';
  }
  return out;
}

void TQZImList::SetElementsText(const std::string& text) {
  Entries.clear();
  TQZDB* root = Root();
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string_view part = std::string_view(text).substr(start, end - start);
    while (!part.empty() && static_cast<unsigned char>(part.front()) <= 32) part.remove_prefix(1);
    while (!part.empty() && static_cast<unsigned char>(part.back()) <= 32) part.remove_suffix(1);
    const auto key = platform::ParseIntegerText(part);
    if (key && *key >= INT32_MIN && *key <= INT32_MAX && root) {
      // Through the key index: the text may name thousands of keys.
      if (auto* image = dynamic_cast<TQZImage*>(root->Keys().Find(static_cast<int32_t>(*key))))
        AddEntry(image);
    }
    start = end + 1;
  }
}

// ---- drawing ----------------------------------------------------------------------

void TQZImList::Paint(int32_t layer, uint32_t /*colour*/, double offsetX, double offsetY,
                      int32_t /*flag*/) {
  if (layer != Order) return;
  if (!ResourcesLoaded) LoadResources();
  render::Canvas* canvas = CanvasOf(*this);
  if (!canvas || ElWidth == 0 || ElHeight == 0) return;
  canvas->SetSmoothing(true);
  const int32_t hovered = HoveredEntry();
  // The hovered entry is drawn last, on top of its neighbours.
  for (int pass = 0; pass < 2; ++pass) {
    for (int64_t r = 0; r < RowCount; ++r) {
      for (int64_t c = 0; c < ColCount; ++c) {
        const int64_t index = c + (r + FirstRow) * int64_t{ColCount};
        if (index < 0 || static_cast<size_t>(index) >= Entries.size()) break;
        if ((index == hovered) != (pass == 1)) continue;
        DrawEntry(Entries[static_cast<size_t>(index)], static_cast<int>(r), static_cast<int>(c),
                  offsetX, offsetY);
      }
    }
  }
}

void TQZImList::DrawEntry(const Entry& entry, int row, int column, double offsetX,
                          double offsetY) {
  const TQZImage& image = *entry.image;
  resources::ImageCache* cache = ImagesOf(*this);
  if (!cache || !image.PictureLoaded()) return;
  render::RenderImage* tex = cache->TextureOf(image.Picture());
  if (!tex || tex->PatternWidth() <= 0 || tex->PatternHeight() <= 0) return;
  double fit = static_cast<double>(ElWidth) / tex->PatternWidth();
  if (ElHeight < tex->PatternHeight() * fit) fit = static_cast<double>(ElHeight) / tex->PatternHeight();
  const double cx = offsetX + rX + column * double(int64_t{ElWidth} + Space) + ElWidth / 2.0;
  const double cy = offsetY + rY + row * double(int64_t{ElHeight} + Space) + ElHeight / 2.0;
  CanvasOf(*this)->DrawImageRotated(tex, image.Colour, cx, cy, image.AngleRadians(),
                                    fit * entry.zoom, image.Anim, image.hxDrawFx);
}

// ---- pointer and events -------------------------------------------------------------

// The list answers hit tests whatever its visibility, and tracks the entry
// under the pointer as it does (not while the root only probes).
TQZElement* TQZImList::HitTest(int32_t layer, int32_t x, int32_t y, int32_t, int32_t) {
  if (layer != Order) return nullptr;
  TQZElement* result = nullptr;
  int64_t k = -1;
  const int64_t left = X(), top = Y();
  if (left <= x && x < left + SizeX && top <= y && y < top + SizeY) {
    result = this;
    const int64_t cellW = int64_t{ElWidth} + Space;
    const int64_t cellH = int64_t{ElHeight} + Space;
    // A grid without a cell pitch has no entries to point at; neither has
    // the strip beyond the last column or row that the truncated cell size
    // leaves (it would otherwise name an entry of the next row).
    if (cellW > 0 && cellH > 0) {
      const int64_t column = (x - left) / cellW;
      const int64_t row = (y - top) / cellH;
      if (column < ColCount && row < RowCount) {
        k = column + (FirstRow + row) * int64_t{ColCount};
        if (k < 0 || static_cast<size_t>(k) >= Entries.size()) k = -1;
      }
    }
  }
  if (k != Hovered && !(Root() && Root()->Probing())) {
    DoMouseOut();
    Hovered = static_cast<int32_t>(k);
    DoMouseIn();
  }
  return result;
}

void TQZImList::DoMouseIn() {
  if (HoveredEntry() >= 0) TQZElement::DoMouseIn();
}

void TQZImList::DoMouseOut() {
  if (HoveredEntry() >= 0) TQZElement::DoMouseOut();
}

void TQZImList::DoMouseDown() {
  const int32_t hovered = HoveredEntry();
  if (hovered < 0) return;
  // The image's script may change the list; the image is taken first.
  TQZImage* image = Entries[static_cast<size_t>(hovered)].image;
  image->DoMouseDown();
  TQZElement::DoMouseDown();
}

void TQZImList::DoProcess() {
  const int32_t hovered = HoveredEntry();
  for (size_t i = 0; i < Entries.size(); ++i) {
    double& zoom = Entries[i].zoom;
    if (static_cast<int32_t>(i) == hovered) {
      if (zoom < Scale) zoom += kZoomGrowth;
    } else if (zoom > 1) {
      zoom -= kZoomShrink;
      if (zoom < 1) zoom = 1;
    }
  }
}

void TQZImList::LoadResources() {
  if (ResourcesLoaded) return;
  TQZElement::LoadResources();
  for (const Entry& e : Entries) e.image->LoadResources();
}

void TQZImList::ReloadResources() {
  TQZElement::ReloadResources();
  for (const Entry& e : Entries) e.image->ReloadResources();
}

bool TQZImList::GetValue(const std::string& name, script::Value& out) {
  if (TQZElement::GetValue(name, out)) return true;
  if (name == "ELEMENTS") {
    out = script::Value::String(ElementsText());
    return true;
  }
  if (name == "SELEL") {
    const int32_t hovered = HoveredEntry();
    out = script::Value::Ref(hovered < 0 ? 0 : Entries[static_cast<size_t>(hovered)].image->Handle());
    return true;
  }
  return false;
}

bool TQZImList::SetValue(const std::string& name, const script::Value& value) {
  if (TQZElement::SetValue(name, value)) return true;
  if (name == "ELEMENTS") {
    SetElementsText(value.ToText());
    return true;
  }
  return false;
}

void TQZImList::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZImList";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZImList>(parent); };
  PropTable<TQZImList> t(cls);
  t.Base();
  t.OrdFn(
      "RowCount", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.RowCount; },
      [](TQZImList& e, int64_t v) { e.SetRowCount(static_cast<int32_t>(v)); });
  t.OrdFn(
      "ColCount", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.ColCount; },
      [](TQZImList& e, int64_t v) { e.SetColCount(static_cast<int32_t>(v)); });
  t.OrdFn(
      "Space", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.Space; },
      [](TQZImList& e, int64_t v) { e.SetSpace(static_cast<int32_t>(v)); });
  t.OrdFn(
      "ScrollPos", PropType::Int32,
      [](const TQZImList& e) -> int64_t {
        return static_cast<int32_t>(static_cast<int64_t>(e.FirstRow) * e.ColCount);
      },
      [](TQZImList& e, int64_t) { e.FirstRow = 0; });
  t.Size();
  // Computed cell sizes: writing them has no effect.
  t.OrdFn(
      "ElWidth", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.GetElWidth(); },
      [](TQZImList&, int64_t) {});
  t.OrdFn(
      "ElHeight", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.GetElHeight(); },
      [](TQZImList&, int64_t) {});
  t.Field("Scale", PropType::Double, &TQZImList::Scale);
  t.Script("exInit", Ev::Init);
  t.Script("exAfterLoad", Ev::AfterLoad);
  t.Script("exUpdate", Ev::Update);
  t.Script("exProcess", Ev::Process);
  t.Order();
  t.Script("exVarRS", Ev::VarRS);
  t.Field("Tag", PropType::String, &TQZImList::Tag);
  t.Field("NotSave", PropType::Bool, &TQZImList::NotSave);
  t.Script("exMouseIn", Ev::MouseIn);
  t.Script("exMouseOut", Ev::MouseOut);
  t.Script("exMouseDown", Ev::MouseDown);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
