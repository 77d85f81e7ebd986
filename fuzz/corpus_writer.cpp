// Writes the seed files of the fuzz targets that need no tool run: pictures
// through the tests' image writers (libpng, libjpeg, BMP and Targa byte by
// byte), state files saved from a small tree, effect blocks, INI inputs,
// unicode font tables and sprite-sheet files. fuzz/make_corpus.sh runs it
// and adds the files that the tool and the player make.
//
//   fuzz_corpus_writer OUT_DIR      (files go to OUT_DIR/<target>/)

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/image_files.h"
#include "scene/db.h"
#include "scene/effect_params.h"
#include "scene/state_file.h"

namespace {

namespace fs = std::filesystem;
using test_images::BmpOptions;
using test_images::JpegOptions;
using test_images::PngOptions;
using test_images::TgaOptions;

fs::path g_out;

void Put(const std::string& target, const std::string& name, const std::string& bytes) {
  fs::create_directories(g_out / target);
  std::ofstream out(g_out / target / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s/%s\n", target.c_str(), name.c_str());
    std::exit(1);
  }
}

uint32_t Colour(int x, int y) {
  return 0xFF000000u | static_cast<uint32_t>(x * 40) << 16 | static_cast<uint32_t>(y * 60) << 8 |
         static_cast<uint32_t>((x + y) * 25);
}
uint32_t Translucent(int x, int y) {
  return (Colour(x, y) & 0xFFFFFF) | (x * 50u + 10) << 24;
}
uint32_t Index(int x, int y) {
  return static_cast<uint32_t>(x + y) & 3;
}

void Pictures() {
  Put("png_decoder_fuzz", "rgba.png", test_images::MakePng(5, 3, Translucent));
  PngOptions rgb;
  rgb.colorType = 2;
  Put("png_decoder_fuzz", "rgb.png", test_images::MakePng(4, 4, Colour, rgb));
  PngOptions grey;
  grey.colorType = 0;
  grey.bitDepth = 16;
  Put("png_decoder_fuzz", "grey16.png", test_images::MakePng(3, 2, Colour, grey));
  PngOptions greyAlpha;
  greyAlpha.colorType = 4;
  greyAlpha.interlaced = true;
  Put("png_decoder_fuzz", "grey_alpha_interlaced.png",
      test_images::MakePng(9, 9, Translucent, greyAlpha));
  PngOptions palette;
  palette.colorType = 3;
  palette.bitDepth = 2;
  palette.palette = {0xFF000000, 0x80FF0000, 0xFF00FF00, 0x000000FF};
  Put("png_decoder_fuzz", "palette_trns.png", test_images::MakePng(6, 2, Index, palette));

  Put("jpeg_decoder_fuzz", "rgb.jpg", test_images::MakeJpeg(8, 8, Colour, {50, 3, false}));
  Put("jpeg_decoder_fuzz", "grey.jpg", test_images::MakeJpeg(5, 3, Colour, {80, 1, false}));
  Put("jpeg_decoder_fuzz", "progressive.jpg", test_images::MakeJpeg(17, 9, Colour, {60, 3, true}));
  Put("jpeg_decoder_fuzz", "cmyk.jpg", test_images::MakeJpeg(4, 4, Colour, {70, 4, false}));

  Put("bmp_decoder_fuzz", "rgb24.bmp", test_images::MakeBmp(5, 3, Colour));
  BmpOptions argb;
  argb.bpp = 32;
  argb.topDown = true;
  Put("bmp_decoder_fuzz", "argb32_topdown.bmp", test_images::MakeBmp(3, 3, Translucent, argb));
  BmpOptions pal8;
  pal8.bpp = 8;
  pal8.palette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  Put("bmp_decoder_fuzz", "pal8.bmp", test_images::MakeBmp(7, 2, Index, pal8));
  BmpOptions pal4 = pal8;
  pal4.bpp = 4;
  pal4.headerSize = 12;
  Put("bmp_decoder_fuzz", "pal4_core.bmp", test_images::MakeBmp(5, 2, Index, pal4));
  BmpOptions mono = pal8;
  mono.bpp = 1;
  mono.palette = {0xFF000000, 0xFFFFFFFF};
  Put("bmp_decoder_fuzz", "mono.bmp", test_images::MakeBmp(11, 3, Index, mono));
  BmpOptions fields;
  fields.bpp = 16;
  fields.compression = 3;
  fields.headerSize = 124;
  fields.masks[0] = 0xF800;
  fields.masks[1] = 0x07E0;
  fields.masks[2] = 0x001F;
  Put("bmp_decoder_fuzz", "rgb565_v5.bmp",
      test_images::MakeBmp(
          3, 2, [](int x, int y) { return static_cast<uint32_t>(x * 0x1234 + y); }, fields));
  Put("bmp_decoder_fuzz", "rle8.bmp",
      test_images::MakeRleBmp(6, 3, 8, {0xFF000000, 0xFF102030, 0xFF405060, 0xFFFFFFFF},
                              std::string("\x03\x01\x00\x03\x02\x03\x04\x00\x00\x00\x00\x02"
                                          "\x02\x01\x00\x01",
                                          16)));

  TgaOptions tga;
  Put("tga_decoder_fuzz", "argb32.tga", test_images::MakeTga(4, 3, Translucent, tga));
  tga.depth = 24;
  tga.rle = true;
  Put("tga_decoder_fuzz", "rgb24_rle.tga",
      test_images::MakeTga(
          9, 2, [](int x, int y) { return Colour(x / 3, y); }, tga));
  tga.depth = 16;
  tga.rle = false;
  tga.topDown = true;
  Put("tga_decoder_fuzz", "rgb16_topdown.tga",
      test_images::MakeTga(
          3, 2, [](int x, int) { return x ? 0xFC00u : 0x801Fu; }, tga));
  TgaOptions greyTga;
  greyTga.depth = 8;
  greyTga.grey = true;
  greyTga.rightToLeft = true;
  Put("tga_decoder_fuzz", "grey8.tga", test_images::MakeTga(4, 2, Index, greyTga));
  TgaOptions mapped;
  mapped.depth = 8;
  mapped.mapped = true;
  mapped.palette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  mapped.rle = true;
  Put("tga_decoder_fuzz", "mapped8_rle.tga", test_images::MakeTga(5, 2, Index, mapped));
}

// The tree the state target applies its input to, saved with a few values.
void States() {
  scene::TQZDB root;
  root.SetKey(1);
  scene::TQZElement* screen = root.CreateChild("TQZScreen");
  screen->SetKey(2);
  scene::TQZElement* image = screen->CreateChild("TQZImage");
  image->SetKey(3);
  scene::TQZElement* list = screen->CreateChild("TQZImList");
  list->SetKey(4);
  scene::TQZElement* text = screen->CreateChild("TQZText");
  text->SetKey(5);
  image->Vars = std::make_unique<script::TVarList>();
  image->Vars->Append({"N", script::Value::Integer(1)});
  image->Vars->Append({"S", script::Value::String("x")});
  Put("state_file_fuzz", "plain.sav", scene::BuildState(root));
  image->SetValue("rX", script::Value::Real(12.5));
  image->Vars->Append({"D", script::Value::Date(45000.25)});
  image->Vars->Append({"B", script::Value::Boolean(true)});
  image->Vars->Append({"R", script::Value::Ref(list->Handle())});
  text->SetValue("Text", script::Value::String("Hello"));
  list->SetValue("ColCount", script::Value::Integer(3));
  Put("state_file_fuzz", "values.sav", scene::BuildState(root));
}

void Effects() {
  scene::TEffectParams p;
  p.StartFrame = 0;
  p.EndFrame = 3;
  p.DrawEffect = 0x504;
  p.Rate = 100;
  p.Duration = 2;
  p.LifeA = 0.5f;
  p.LifeB = 1.5f;
  p.Spread = 1;
  p.AlignToMotion = 1;
  p.SpeedA = 20;
  p.SpeedB = 60;
  p.GravityA = 5;
  p.RadialA = -3;
  p.TangentialB = 4;
  p.SizeStart = 1;
  p.SizeMid = 2;
  p.SizeEnd = 0.5f;
  p.AngleEnd = 3;
  p.ColourStart = 0xFFFF8000;
  p.ColourMid = 0x80FFFFFF;
  p.ColourEnd = 0x000000FF;
  p.ColourVar = 0.2f;
  p.MidFraction = 0.3f;
  auto block = scene::EncodeEffectParams(p);
  Put("effect_file_fuzz", "sparks.eff", std::string(block.begin(), block.end()));
  p.NewestFirst = 1;
  p.Rate = 5000;
  p.Duration = 0.1f;
  block = scene::EncodeEffectParams(p);
  Put("effect_file_fuzz", "burst.eff", std::string(block.begin(), block.end()));
  Put("effect_file_fuzz", "short.eff", std::string(block.begin(), block.begin() + 60));
}

// Three length bytes (section, key, value), the names, the value, the file.
std::string IniInput(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) {
  std::string s;
  s.push_back(static_cast<char>(section.size()));
  s.push_back(static_cast<char>(key.size()));
  s.push_back(static_cast<char>(value.size()));
  return s + section + key + value + file;
}

std::string Utf16(const std::string& ascii) {
  std::string s = "\xFF\xFE";
  for (char c : ascii) {
    s.push_back(c);
    s.push_back('\0');
  }
  return s;
}

void Inis() {
  Put("ini_file_fuzz", "settings.ini",
      IniInput("Def", "FS", "1", "[Def]\r\nFS=0\r\nSound=80\r\nMusic = 70 \r\n; comment\r\n"));
  Put("ini_file_fuzz", "language.lng",
      IniInput("Menu", "Start", "Go",
               "[Default]\r\nTitle=\"Game\"\r\n[Menu]\r\nStart=Begin\r\nQuit='Bye'\r\n"));
  Put("ini_file_fuzz", "sounds.ini",
      IniInput("Sounds", "Door", "80:door.wav",
               "[Sounds]\nDoor=100:creak.ogg\nStep=steps\\a.wav\n"));
  Put("ini_file_fuzz", "wide.lng",
      IniInput("Default", "Title", "New", Utf16("[Default]\r\nTitle=Wide\r\n[X]\r\nA=1\r\n")));
  Put("ini_file_fuzz", "new_key.ini", IniInput("New", "Key", "", "x=1\r\n[Other]\r\nk=v"));
}

void UnicodeTables() {
  Put("unicode_table_fuzz", "three.fnt", "3\r\n41 20\r\n42 22\r\n430 18\r\nArial Unicode\r\n");
  Put("unicode_table_fuzz", "empty.fnt", "0\nFace\n");
  Put("unicode_table_fuzz", "wide.fnt", "2\nFFFF 65535\n0 0\nX\n");
}

void SpriteSheets() {
  Put("sprite_sheet_fuzz", "grid.an", "4\r\n2\r\n");
  Put("sprite_sheet_fuzz", "columns.an", "3\n");
  Put("sprite_sheet_fuzz", "spaced.an", "  2 cols\n\t3\n");
  Put("sprite_sheet_fuzz", "zero.an", "0\r\n-1\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_corpus_writer OUT_DIR\n");
    return 2;
  }
  g_out = argv[1];
  Pictures();
  States();
  Effects();
  Inis();
  UnicodeTables();
  SpriteSheets();
  return 0;
}
