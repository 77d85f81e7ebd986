#include "resources/image_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image_files.h"
#include "platform/path_resolver.h"
#include "render/image_store.h"
#include "render/render_image.h"
#include "resources/store.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using resources::DecodedImage;
using resources::ImageCache;
using resources::TQZIm;
using testing_support::TempDir;
using testing_support::WriteFile;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

uint32_t Solid(uint32_t argb, int, int) {
  return argb;
}

// A game folder with its own resolver, pack, per-user folder and image store.
class CacheTest : public ::testing::Test {
 protected:
  CacheTest() : files_(dir_.Path()), cache_(store_) {
    fs::create_directories(userDir());
    cache_.SetFiles(&files_);
    cache_.SetPack(&pack_);
    cache_.SetUserFolder(userDir());
  }

  fs::path userDir() const { return dir_.Path() / "user"; }
  void Put(const std::string& name, const std::string& bytes) {
    WriteFile(dir_.Path() / name, bytes);
    files_.Invalidate();
  }
  void UsePack(const std::vector<std::pair<std::string, std::string>>& entries) {
    resources::PackWriter w;
    for (const auto& [name, bytes] : entries) w.Add(name, bytes);
    pack_.OpenBytes(w.Finish());
    ASSERT_TRUE(pack_.ReadDirectory());
  }
  uint32_t Pixel(const TQZIm* e, int x, int y, int texture = 0) {
    return render::ImageStore::ReadPixel(e->Texture(), x, y, texture);
  }

  TempDir dir_;
  platform::PathResolver files_;
  render::ImageStore store_;
  resources::TQZStore pack_;
  ImageCache cache_;
};

std::string Png(int w, int h, uint32_t argb) {
  return test_images::MakePng(w, h, [argb](int x, int y) { return Solid(argb, x, y); });
}

// An 8-bit BMP whose palette is all black: only its index values carry the mask.
std::string MaskBmp(int w, int h, const std::function<uint32_t(int, int)>& index) {
  test_images::BmpOptions o;
  o.bpp = 8;
  o.palette.assign(256, 0);
  return test_images::MakeBmp(w, h, index, o);
}

uint32_t MaskIndex(int x, int y) {
  return static_cast<uint32_t>(x * 20 + y * 3);
}

DecodedImage DecodeJpegBytes(const std::string& bytes) {
  DecodedImage img;
  EXPECT_EQ(resources::DecodeJpeg(Bytes(bytes), img), resources::DecodeError::None);
  return img;
}

// Keys: ASCII upper case, prefixes part of the key; counters with load-now off.
TEST_F(CacheTest, KeysAndCountersWithLoadNowOff) {
  Put("Menu.png", Png(4, 4, 0xFF112233));
  cache_.SetLoadNow(false);
  TQZIm* a = cache_.RequestImage("Menu.png");
  TQZIm* b = cache_.RequestImage("MENU.PNG");
  TQZIm* star = cache_.RequestImage("*menu.png");
  EXPECT_EQ(a, b);
  EXPECT_NE(a, star);
  EXPECT_EQ(a->Name(), "MENU.PNG");
  EXPECT_EQ(star->Name(), "*MENU.PNG");
  EXPECT_EQ(cache_.Entries().size(), 2u);
  // Registered only: no texture, counted once per first reference.
  EXPECT_EQ(a->Texture(), nullptr);
  EXPECT_FALSE(a->Failed());
  EXPECT_EQ(a->ReferenceCount(), 2);
  EXPECT_EQ(cache_.NeededImages(), 2);
  EXPECT_EQ(cache_.LoadedImages(), 0);
  // After a reset the next reference is a first reference again.
  cache_.ResetReferences();
  cache_.RequestImage("menu.PNG");
  EXPECT_EQ(cache_.NeededImages(), 3);

  // Force loads even with the switch off; kept is the force flag of the first request only.
  TQZIm* forced = cache_.RequestImage("menu.png", true);
  EXPECT_EQ(forced, a);
  ASSERT_NE(a->Texture(), nullptr);
  EXPECT_FALSE(a->Kept());
  EXPECT_EQ(cache_.LoadedImages(), 1);
  EXPECT_EQ(cache_.NeededImages(), 3);
  Put("particles.png", Png(2, 2, 0xFFFFFFFF));
  EXPECT_TRUE(cache_.RequestImage("particles.png", true)->Kept());
  EXPECT_TRUE(cache_.RequestImage("PARTICLES.PNG", false)->Kept());
  // A loaded entry is not loaded again.
  cache_.SetLoadNow(true);
  cache_.RequestImage("menu.png");
  EXPECT_EQ(cache_.LoadedImages(), 2);
  EXPECT_EQ(a->Texture()->Name(), "MENU.PNG");
}

TEST_F(CacheTest, MissingAndCorruptImagesFailForGood) {
  TQZIm* missing = cache_.RequestImage("nothing.png");
  EXPECT_TRUE(missing->Failed());
  EXPECT_EQ(missing->Texture(), nullptr);
  EXPECT_EQ(cache_.LoadedImages(), 1);
  // Never retried, even once the file appears.
  Put("nothing.png", Png(2, 2, 0xFF000000));
  cache_.RequestImage("nothing.png");
  EXPECT_TRUE(missing->Failed());
  EXPECT_EQ(cache_.LoadedImages(), 1);

  std::string png = Png(8, 8, 0xFF00FF00);
  Put("cut.png", png.substr(0, png.size() / 2));
  Put("noise.jpg", "\xFF\xD8\xFF\xE0 garbage");
  Put("noise.bmp", "BM garbage");
  Put("noise.tga", std::string(40, '\x02'));
  Put("folder.png/x", "");
  for (const char* name : {"cut.png", "noise.jpg", "noise.bmp", "noise.tga", "folder.png", ""}) {
    TQZIm* e = cache_.RequestImage(name);
    EXPECT_TRUE(e->Failed()) << name;
    EXPECT_EQ(e->Texture(), nullptr) << name;
  }
  EXPECT_EQ(store_.Count(), 0);
  EXPECT_EQ(cache_.UsedMemory(), 0);
}

// An 8-bit tree.bmp next to tree_.jpg: the JPEG's colours, the BMP's values as alpha.
TEST_F(CacheTest, MaskByAlternativeName) {
  const std::string jpeg = test_images::MakeJpeg(10, 6, [](int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 25) << 16 | static_cast<uint32_t>(y * 40) << 8 |
           0x40;
  });
  Put("gfx/Tree_.jpg", jpeg);
  Put("gfx/tree.bmp", MaskBmp(10, 6, MaskIndex));
  TQZIm* e = cache_.RequestImage("GFX\\TREE.BMP");
  ASSERT_NE(e->Texture(), nullptr);
  const DecodedImage colours = DecodeJpegBytes(jpeg);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(Pixel(e, x, y), (colours.At(x, y) & 0xFFFFFFu) | MaskIndex(x, y) << 24)
          << x << "," << y;
    }
  }
  // The mask made it a 32-bit picture: the box is that of the pixels with alpha.
  Put("gfx/edge_.jpg", jpeg);
  Put("gfx/edge.bmp",
      MaskBmp(10, 6, [](int x, int y) { return (x > 2 && x < 8 && y > 0) ? 9u : 0u; }));
  const auto& box = cache_.RequestImage("gfx\\edge.bmp")->Box();
  EXPECT_EQ(box.left, 3);
  EXPECT_EQ(box.top, 1);
  EXPECT_EQ(box.right, 7);
  EXPECT_EQ(box.bottom, 5);
}

// leaf_1.jpg next to an 8-bit leaf.bmp takes its alpha from leaf.bmp; glow_a.bmp
// is the mask of glow.jpg.
TEST_F(CacheTest, MaskFromJpegSideAndBmpSide) {
  const std::string jpeg = test_images::MakeJpeg(8, 8, [](int, int) { return 0xFF3366CCu; });
  const DecodedImage colours = DecodeJpegBytes(jpeg);
  Put("leaf_1.jpg", jpeg);
  Put("leaf.bmp", MaskBmp(8, 8, MaskIndex));
  TQZIm* leaf = cache_.RequestImage("leaf_1.jpg");
  ASSERT_NE(leaf->Texture(), nullptr);
  EXPECT_EQ(Pixel(leaf, 3, 5), (colours.At(3, 5) & 0xFFFFFFu) | MaskIndex(3, 5) << 24);

  Put("glow.jpg", jpeg);
  Put("glow_a.bmp", MaskBmp(8, 8, MaskIndex));
  TQZIm* glow = cache_.RequestImage("glow_a.bmp");
  ASSERT_NE(glow->Texture(), nullptr);
  EXPECT_EQ(Pixel(glow, 7, 2), (colours.At(7, 2) & 0xFFFFFFu) | MaskIndex(7, 2) << 24);

  // ".jpeg" takes no mask; a JPEG without partner keeps opaque colours.
  Put("leaf_2.jpeg", jpeg);
  EXPECT_EQ(Pixel(cache_.RequestImage("leaf_2.jpeg"), 3, 5) >> 24, 0xFFu);
  Put("plain_x.jpg", jpeg);
  EXPECT_EQ(Pixel(cache_.RequestImage("plain_x.jpg"), 3, 5) >> 24, 0xFFu);

  // A partner that exists but is damaged fails the entry.
  Put("bad_1.jpg", jpeg);
  Put("bad.bmp", "BM broken");
  EXPECT_TRUE(cache_.RequestImage("bad_1.jpg")->Failed());
}

// "*" alpha view and "#" greyscale, on BMPs only, "*" before "#".
TEST_F(CacheTest, AlphaAndGreyViews) {
  test_images::BmpOptions o32;
  o32.bpp = 32;
  const uint32_t px = 0x80102030;  // alpha 0x80, grey round(0x60 / 3) = 0x20
  Put("pic.bmp", test_images::MakeBmp(
                     3, 2, [&](int, int) { return px; }, o32));
  EXPECT_EQ(Pixel(cache_.RequestImage("pic.bmp"), 1, 1), px);
  EXPECT_EQ(Pixel(cache_.RequestImage("*pic.bmp"), 1, 1), 0x80808080u);
  EXPECT_EQ(Pixel(cache_.RequestImage("#pic.bmp"), 1, 1), 0x80202020u);
  EXPECT_EQ(Pixel(cache_.RequestImage("*#pic.bmp"), 1, 1), 0x80808080u);
  // "#" first leaves "*pic.bmp" as the file name, which does not exist.
  EXPECT_TRUE(cache_.RequestImage("#*pic.bmp")->Failed());
  // Rounding: (1 + 1 + 2) / 3 = 1.33 -> 1, (1 + 2 + 2) / 3 = 1.67 -> 2.
  Put("round.bmp", test_images::MakeBmp(
                       2, 1, [](int x, int) { return x ? 0xFF010202u : 0xFF010102u; }, o32));
  TQZIm* grey = cache_.RequestImage("#round.bmp");
  EXPECT_EQ(Pixel(grey, 0, 0), 0xFF010101u);
  EXPECT_EQ(Pixel(grey, 1, 0), 0xFF020202u);
  // Views apply to BMPs only.
  Put("pic.png", Png(2, 2, px));
  EXPECT_EQ(Pixel(cache_.RequestImage("*pic.png"), 0, 0), px);
  // With a mask: the mask first, then the views.
  const std::string jpeg = test_images::MakeJpeg(8, 8, [](int, int) { return 0xFF808080u; });
  Put("m.jpg", jpeg);
  Put("m_x.bmp", MaskBmp(8, 8, MaskIndex));
  uint32_t a = MaskIndex(2, 3);
  EXPECT_EQ(Pixel(cache_.RequestImage("*m_x.bmp"), 2, 3), a * 0x01010101u);
}

// ball.png with ball.an holding 4 and 2: 8 patterns of (width / 4) x (height / 2).
TEST_F(CacheTest, SpriteSheetsFromLooseFilesAndPack) {
  auto quadrant = [](int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x / 10) << 16 | static_cast<uint32_t>(y / 15);
  };
  const std::string png = test_images::MakePng(40, 30, quadrant);
  Put("ball.png", png);
  Put("ball.an", "4\r\n2\r\n");
  TQZIm* ball = cache_.RequestImage("ball.png");
  ASSERT_NE(ball->Texture(), nullptr);
  EXPECT_EQ(ball->Texture()->PatternCount(), 8);
  EXPECT_EQ(ball->Texture()->PatternWidth(), 10);
  EXPECT_EQ(ball->Texture()->PatternHeight(), 15);
  EXPECT_EQ(Pixel(ball, 0, 0, 6), quadrant(20, 15));

  // From the pack, through a temporary file in the per-user folder that is gone afterwards.
  UsePack({{"PACKED.PNG", png}, {"PACKED.AN", "2\n"}});
  TQZIm* packed = cache_.RequestImage("packed.png");
  ASSERT_NE(packed->Texture(), nullptr);
  EXPECT_EQ(packed->Texture()->PatternCount(), 2);
  EXPECT_EQ(packed->Texture()->PatternWidth(), 20);
  EXPECT_EQ(packed->Texture()->PatternHeight(), 30);
  EXPECT_TRUE(fs::is_empty(userDir()));
  // Without a usable per-user folder the pack's sheet cannot be read: 1 x 1.
  cache_.SetUserFolder(dir_.Path() / "no" / "such" / "folder");
  UsePack({{"OTHER.PNG", png}, {"OTHER.AN", "2\n"}});
  EXPECT_EQ(cache_.RequestImage("other.png")->Texture()->PatternCount(), 1);

  // Companions come from the image's own source: a loose image ignores a packed sheet.
  Put("loose.png", png);
  UsePack({{"LOOSE.AN", "4\n2\n"}});
  EXPECT_EQ(cache_.RequestImage("loose.png")->Texture()->PatternCount(), 1);

  // More columns than pixels: the upload fails and the entry with it.
  Put("thin.png", png);
  Put("thin.an", "100\n");
  EXPECT_TRUE(cache_.RequestImage("thin.png")->Failed());
}

TEST(SpriteSheetTest, Parsing) {
  using resources::ParseSpriteSheet;
  auto sheet = [](std::string_view text) {
    auto s = ParseSpriteSheet(text);
    return std::pair(s.columns, s.rows);
  };
  EXPECT_EQ(sheet("4\n2\n"), std::pair(4, 2));
  EXPECT_EQ(sheet("4\r\n2"), std::pair(4, 2));
  EXPECT_EQ(sheet(" 3 \n 5 trailing"), std::pair(3, 5));
  EXPECT_EQ(sheet("0\n0\n"), std::pair(1, 1));
  EXPECT_EQ(sheet("4"), std::pair(4, 1));
  EXPECT_EQ(sheet(""), std::pair(1, 1));
  EXPECT_EQ(sheet("-3\nx\n"), std::pair(1, 1));
  EXPECT_EQ(sheet("99999999999\n2"), std::pair(1, 2));
  EXPECT_EQ(resources::SpriteSheetName("anim\\ball.png"), "anim\\ball.an");
  EXPECT_EQ(resources::SpriteSheetName("x.jpeg"), "x..an");
  EXPECT_EQ(resources::SpriteSheetName("ab"), ".an");
}

TEST_F(CacheTest, OpaqueBox) {
  // Fully transparent 32-bit: the whole bitmap.
  Put("clear.png", Png(7, 5, 0x00FFFFFF));
  const auto& clear = cache_.RequestImage("clear.png")->Box();
  EXPECT_EQ(clear.left, 0);
  EXPECT_EQ(clear.top, 0);
  EXPECT_EQ(clear.right, 6);
  EXPECT_EQ(clear.bottom, 4);
  // One visible pixel (alpha 1).
  Put("dot.png", test_images::MakePng(
                     7, 5, [](int x, int y) { return (x == 4 && y == 2) ? 0x01000000u : 0u; }));
  const auto& dot = cache_.RequestImage("dot.png")->Box();
  EXPECT_EQ(dot.left, 4);
  EXPECT_EQ(dot.top, 2);
  EXPECT_EQ(dot.right, 4);
  EXPECT_EQ(dot.bottom, 2);
  // No alpha channel: the whole bitmap.
  test_images::PngOptions rgb;
  rgb.colorType = 2;
  Put("rgb.png", test_images::MakePng(
                     3, 9, [](int, int) { return 0u; }, rgb));
  EXPECT_EQ(cache_.RequestImage("rgb.png")->Box().bottom, 8);
}

TEST_F(CacheTest, LooseFileOverridesPack) {
  UsePack({{"MENU.PNG", Png(2, 2, 0xFFFF0000)},
           {"ONLY.PNG", Png(3, 3, 0xFF00FF00)},
           {"lower.png", Png(3, 3, 0xFF00FF00)}});
  Put("menu.png", Png(2, 2, 0xFF0000FF));
  EXPECT_EQ(Pixel(cache_.RequestImage("Menu.png"), 0, 0), 0xFF0000FFu);
  EXPECT_EQ(Pixel(cache_.RequestImage("only.png"), 0, 0), 0xFF00FF00u);
  // Pack names are matched after upper-casing the request: a lower-case stored name is never found.
  EXPECT_TRUE(cache_.RequestImage("lower.png")->Failed());
  // A masked JPEG from the pack takes its mask from the pack.
  const std::string jpeg = test_images::MakeJpeg(8, 8, [](int, int) { return 0xFF808080u; });
  UsePack({{"IMG\\TREE_.JPG", jpeg}, {"IMG\\TREE.BMP", MaskBmp(8, 8, MaskIndex)}});
  TQZIm* tree = cache_.RequestImage("img\\tree.bmp");
  ASSERT_NE(tree->Texture(), nullptr);
  EXPECT_EQ(Pixel(tree, 5, 5) >> 24, MaskIndex(5, 5));
}

// MaxMem: least recently used textures go first; the first entry and kept ones never.
TEST_F(CacheTest, SmallBudgetNeverTrims) {
  const std::string big = Png(1000, 1000, 0xFF123456);  // 4,000,000 bytes decoded
  for (int i = 0; i < 12; ++i) Put("img" + std::to_string(i) + ".png", big);
  auto load = [&](int i, int tick, bool force = false) {
    cache_.SetTick(tick);
    return cache_.RequestImage("img" + std::to_string(i) + ".png", force);
  };

  // At or below 25,000,000 nothing is ever trimmed.
  cache_.SetMaxMem(25000000);
  for (int i = 0; i < 9; ++i) load(i, i);
  EXPECT_EQ(cache_.UsedMemory(), 36000000);
  for (const auto& e : cache_.Entries()) EXPECT_NE(e->Texture(), nullptr);
}

TEST_F(CacheTest, BudgetTrimmingReleasesOldestFirst) {
  const std::string big = Png(1000, 1000, 0xFF123456);
  for (int i = 0; i < 12; ++i) Put("img" + std::to_string(i) + ".png", big);
  auto load = [&](int i, int tick, bool force = false) {
    cache_.SetTick(tick);
    return cache_.RequestImage("img" + std::to_string(i) + ".png", force);
  };
  cache_.SetMaxMem(30000000);  // trims above 33,000,000
  TQZIm* first = load(0, 0);
  TQZIm* kept = load(1, 1, true);
  for (int i = 2; i < 8; ++i) load(i, i);
  EXPECT_EQ(cache_.UsedMemory(), 32000000);
  // Drawing stamps: img2 is used now, so img3 becomes the oldest candidate.
  cache_.SetTick(50);
  cache_.TextureOf(cache_.Entries()[2].get());
  TQZIm* ninth = load(8, 60);  // 36,000,000 > 33,000,000
  EXPECT_NE(first->Texture(), nullptr);
  EXPECT_NE(kept->Texture(), nullptr);
  EXPECT_NE(cache_.Entries()[2]->Texture(), nullptr);
  EXPECT_EQ(cache_.Entries()[3]->Texture(), nullptr);
  EXPECT_NE(ninth->Texture(), nullptr);
  // Candidates were img2..img8 (28,000,000); without img3: 24,000,000 < 30,000,000.
  EXPECT_EQ(cache_.UsedMemory(), 24000000);
  // A released texture loads again on the next request that allows loading.
  EXPECT_NE(load(3, 61)->Texture(), nullptr);
  EXPECT_FALSE(cache_.Entries()[3]->Failed());
}

TEST_F(CacheTest, TrimEndsWhenNothingCanBeReleased) {
  const std::string big = Png(1000, 1000, 0xFF123456);
  for (int i = 0; i < 10; ++i) Put("img" + std::to_string(i) + ".png", big);
  cache_.SetMaxMem(26000000);
  // Everything loaded is first or kept: the trim has nothing to release and ends.
  for (int i = 0; i < 9; ++i) cache_.RequestImage("img" + std::to_string(i) + ".png", i > 0);
  for (const auto& e : cache_.Entries()) EXPECT_NE(e->Texture(), nullptr);
  EXPECT_LT(cache_.UsedMemory(), 26000000);
  // A negative budget releases every candidate and still ends.
  cache_.SetMaxMem(-1);
  cache_.RequestImage("img9.png");
  cache_.TrimToBudget();
  EXPECT_EQ(cache_.Entries()[9]->Texture(), nullptr);
  EXPECT_NE(cache_.Entries()[1]->Texture(), nullptr);
}

// A screen switch: reset, register with the switch off, load with it on, release the rest.
TEST_F(CacheTest, ScreenSwitchCycle) {
  for (const char* n : {"a.png", "b.png", "c.png", "particles.png"}) Put(n, Png(2, 2, 0xFF000000));
  TQZIm* a = cache_.RequestImage("a.png");
  TQZIm* b = cache_.RequestImage("b.png");
  TQZIm* particles = cache_.RequestImage("particles.png", true);
  int progress = 0;
  bool loading = false;
  cache_.SetLoadingQuery([&] { return loading; });
  cache_.SetProgressHook([&] { ++progress; });

  loading = true;
  cache_.ResetReferences();
  cache_.SetNeededImages(0);
  cache_.SetLoadedImages(0);
  cache_.SetLoadNow(false);
  cache_.RequestImage("b.png");
  TQZIm* c = cache_.RequestImage("c.png");
  EXPECT_EQ(cache_.NeededImages(), 1);  // b is still loaded: only c is needed
  cache_.SetLoadNow(true);
  cache_.RequestImage("b.png");
  cache_.RequestImage("c.png");
  EXPECT_EQ(cache_.LoadedImages(), 1);  // b was still loaded
  EXPECT_EQ(progress, 1);               // after c only
  cache_.ReleaseUnreferenced();
  loading = false;
  EXPECT_EQ(a->Texture(), nullptr);
  EXPECT_NE(b->Texture(), nullptr);
  EXPECT_NE(c->Texture(), nullptr);
  EXPECT_NE(particles->Texture(), nullptr);  // kept
  EXPECT_FALSE(a->Failed());
  cache_.RequestImage("a.png");
  EXPECT_NE(a->Texture(), nullptr);
  EXPECT_EQ(progress, 1);  // not loading any more
}

// Decoding ahead plans what was registered since loading last went off and is
// still unloaded; a load whose name now finds another source (here a loose
// file that appeared after the pack copy was read ahead) reads and decodes
// that source itself, as it always would.
TEST_F(CacheTest, DecodingAheadPlansTheLastRegistrationsAndKeepsTheSource) {
  UsePack({{"PIC.PNG", Png(3, 3, 0xFF0000FF)}, {"OLD.PNG", Png(2, 2, 0xFF000000)}});
  Put("other.png", Png(4, 4, 0xFF00FF00));
  Put("done.png", Png(2, 2, 0xFF101010));
  cache_.SetDecodeThreads(2);
  cache_.SetLoadNow(false);
  cache_.RequestImage("old.png");  // an earlier registration pass: dropped
  cache_.SetLoadNow(true);
  cache_.SetLoadNow(false);
  TQZIm* pic = cache_.RequestImage("pic.png");
  TQZIm* other = cache_.RequestImage("Other.PNG");
  TQZIm* done = cache_.RequestImage("done.png");
  cache_.RequestImage("pic.png");
  cache_.SetLoadNow(true);
  cache_.RequestImage("done.png");  // loaded before the switch loads: not planned

  cache_.StartDecodingAhead();
  Put("pic.png", Png(3, 3, 0xFFFF0000));
  cache_.RequestImage("pic.png");
  cache_.RequestImage("other.png");
  ASSERT_NE(pic->Texture(), nullptr);
  ASSERT_NE(other->Texture(), nullptr);
  ASSERT_NE(done->Texture(), nullptr);
  EXPECT_EQ(Pixel(pic, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(Pixel(other, 3, 3), 0xFF00FF00u);
  cache_.StopDecodingAhead();
  const resources::DecodePool::Stats stats = cache_.LastDecodeAhead();
  EXPECT_EQ(stats.planned, 2);
  EXPECT_EQ(stats.decodedByWorkers + stats.decodedByMain, 2);
}

// A registration dropped when loading went back on leaves the entry free to
// be registered again, once however often it is requested.
TEST_F(CacheTest, DecodingAheadPlansAnEntryAgainAfterItsRegistrationWasDropped) {
  Put("a.png", Png(2, 2, 0xFF000000));
  Put("b.png", Png(2, 2, 0xFF101010));
  cache_.SetDecodeThreads(2);
  cache_.SetLoadNow(false);
  cache_.RequestImage("a.png");
  cache_.SetLoadNow(true);
  cache_.SetLoadNow(false);
  cache_.RequestImage("A.PNG");
  cache_.RequestImage("b.png");
  cache_.RequestImage("a.png");
  cache_.SetLoadNow(true);
  cache_.StartDecodingAhead();
  cache_.StopDecodingAhead();
  EXPECT_EQ(cache_.LastDecodeAhead().planned, 2);
}

TEST_F(CacheTest, TextureOfStampsAndAlwaysLoads) {
  Put("a.png", Png(2, 2, 0xFF000000));
  cache_.SetLoadNow(false);
  TQZIm* a = cache_.RequestImage("a.png");
  cache_.SetTick(7);
  EXPECT_EQ(cache_.TextureOf(a), nullptr);
  EXPECT_EQ(a->LastUsed(), 7);
  // AlwaysLoadIm alone does not load while the switch is off and the entry is not kept.
  cache_.SetAlwaysLoad(true);
  EXPECT_EQ(cache_.TextureOf(a), nullptr);
  cache_.SetLoadNow(true);
  cache_.SetTick(9);
  EXPECT_NE(cache_.TextureOf(a), nullptr);
  EXPECT_EQ(a->LastUsed(), 9);
  // Kept entries load at draw time even with the switch off.
  cache_.SetLoadNow(false);
  Put("k.png", Png(2, 2, 0xFF000000));
  TQZIm* k = cache_.RequestImage("k.png", true);
  cache_.ReleaseUnreferenced();
  cache_.TrimToBudget();
  ASSERT_NE(k->Texture(), nullptr);
  EXPECT_EQ(cache_.TextureOf(nullptr), nullptr);
}

TEST_F(CacheTest, ReloadTexturesKeepsStamps) {
  Put("a.png", Png(10, 10, 0xFF000000));
  Put("b.png", Png(10, 10, 0xFF000000));
  cache_.SetTick(3);
  TQZIm* a = cache_.RequestImage("a.png");
  cache_.SetTick(5);
  TQZIm* b = cache_.RequestImage("b.png");
  cache_.SetTick(20);
  cache_.ReloadTextures();
  EXPECT_NE(a->Texture(), nullptr);
  EXPECT_NE(b->Texture(), nullptr);
  EXPECT_EQ(store_.Count(), 2);
  EXPECT_EQ(a->LastUsed(), 3);
  EXPECT_EQ(b->LastUsed(), 5);
  EXPECT_EQ(cache_.Tick(), 20);
  EXPECT_EQ(cache_.UsedMemory(), 800);
  EXPECT_EQ(a->ReferenceCount(), 2);
}

}  // namespace
