#pragma once
// TQZImList: a grid list of image elements (an inventory bar).

#include <cstdint>
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
  virtual int32_t GetElWidth() const { return ElWidth; }
  virtual int32_t GetElHeight() const { return ElHeight; }

  void SetSizeX(int32_t value) override { SizeX = value; }
  void SetSizeY(int32_t value) override { SizeY = value; }
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }
};

}  // namespace scene
