#pragma once
// TQZImList: a grid list of image elements (an inventory bar).
//
// The list does not own its images: each entry refers to a TQZImage placed
// elsewhere in the tree and draws that image's picture fitted into its cell,
// with the image's colour, effect, pattern and angle. The entry under the
// pointer grows towards Scale and is drawn on top; a press on it reaches the
// image's exMouseDown. The entries are saved and restored as "ELEMENTS", the
// Keys of their images each followed by ";".

#include <cstdint>
#include <string>
#include <vector>

#include "scene/element.h"

namespace scene {

class TQZImage;

class TQZImList : public TQZElement {
 public:
  explicit TQZImList(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  struct Entry {
    TQZImage* image = nullptr;
    double zoom = 1.0;
  };

  int32_t SizeX = 0;
  int32_t SizeY = 0;
  int32_t RowCount = 0;
  int32_t ColCount = 0;
  int32_t ElWidth = 0;
  int32_t ElHeight = 0;
  int32_t Space = 0;
  int32_t FirstRow = 0;  // always 0: scrolling is fixed at the top
  int32_t Hovered = -1;
  double Scale = 0;
  std::vector<Entry> Entries;

  // Cell sizes as ElWidth/ElHeight read them.
  int32_t GetElWidth() const { return ElWidth; }
  int32_t GetElHeight() const { return ElHeight; }
  // Writers of the grid: store, then compute the cell size.
  void SetRowCount(int32_t value);
  void SetColCount(int32_t value);
  void SetSpace(int32_t value);

  // ---- list operations (the ListAdd and ListDel natives) --------------------
  // Appends an entry for the image with zoom 1 and scrolls to the top. Null is ignored.
  void AddEntry(TQZImage* image);
  // Removes the first entry showing the image; later entries move up. False when none does.
  bool RemoveEntry(const TQZImage* image);
  // Removes the first entry whose image's Id equals `id` exactly (letter case counts).
  bool RemoveEntryById(const std::string& id);
  void ClearEntries() { Entries.clear(); }

  // The hovered entry's index, or -1 when none is hovered or the index is no
  // longer an entry (after a removal).
  int32_t HoveredEntry() const;
  // "ELEMENTS": the Key of each entry's image followed by ";".
  std::string ElementsText() const;
  // Empties the list, then appends every image whose Key is listed; parts
  // that are not numbers, unknown keys and elements that are not images are skipped.
  void SetElementsText(const std::string& text);

  void SetSizeX(int32_t value) override;
  void SetSizeY(int32_t value) override;
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }
  TQZElement* HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) override;
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
             int32_t flag) override;
  void DoProcess() override;
  void DoMouseIn() override;
  void DoMouseOut() override;
  void DoMouseDown() override;
  void LoadResources() override;
  void ReloadResources() override;
  bool GetValue(const std::string& name, script::Value& out) override;
  bool SetValue(const std::string& name, const script::Value& value) override;

 private:
  void ComputeCells();
  void DrawEntry(const Entry& entry, int row, int column, double offsetX, double offsetY);
};

}  // namespace scene
