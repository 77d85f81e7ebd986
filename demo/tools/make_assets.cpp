// qz-demo-assets: draws the demo game's pictures, synthesises its sounds and
// converts its language file to the game's code page.
//
//   qz-demo-assets --pack DIR --loose DIR --font TTF --lang SOURCE.lng OUT.lng
//
// Files for the resource pack go below --pack (images\, sounds\), files that
// stay beside the game below --loose (logos\, sounds\, particles.bmp). The
// language file is UTF-8 in the source tree and CP1251 in the game.

#include <cstring>
#include <filesystem>
#include <iostream>

#include "demo/tools/art.h"
#include "platform/codepage.h"
#include "platform/file_io.h"

namespace {

int Usage() {
  std::cerr << "usage: qz-demo-assets --pack DIR --loose DIR --font TTF --lang SOURCE OUT\n";
  return 2;
}

bool ConvertLanguage(const std::string& source, const std::string& out) {
  auto text = platform::ReadWholeFile(source);
  if (!text) {
    std::cerr << "qz-demo-assets: cannot read " << source << "\n";
    return false;
  }
  bool lossless = true;
  const std::string bytes = platform::CodePage::Default().FromUtf8(*text, &lossless);
  if (!lossless) {
    std::cerr << "qz-demo-assets: " << source << " has characters CP1251 cannot hold\n";
    return false;
  }
  if (!platform::WriteFileAtomically(out, bytes)) {
    std::cerr << "qz-demo-assets: cannot write " << out << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  demo::AssetDirs dirs;
  std::string langIn, langOut;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--pack" && i + 1 < argc) dirs.pack = argv[++i];
    else if (a == "--loose" && i + 1 < argc) dirs.loose = argv[++i];
    else if (a == "--font" && i + 1 < argc) dirs.font = argv[++i];
    else if (a == "--lang" && i + 2 < argc) {
      langIn = argv[++i];
      langOut = argv[++i];
    } else {
      return Usage();
    }
  }
  if (dirs.pack.empty() || dirs.loose.empty() || dirs.font.empty() || langIn.empty()) return Usage();

  std::error_code ec;
  for (const std::string& d : {dirs.pack + "/images", dirs.pack + "/sounds", dirs.loose + "/logos",
                               dirs.loose + "/sounds"})
    std::filesystem::create_directories(d, ec);

  struct Step {
    const char* what;
    bool (*run)(const demo::AssetDirs&);
  };
  for (const Step& s : {Step{"backgrounds", demo::MakeBackgrounds}, Step{"objects", demo::MakeObjects},
                        Step{"logos", demo::MakeLogos}, Step{"sounds", demo::MakeSounds}}) {
    if (!s.run(dirs)) {
      std::cerr << "qz-demo-assets: could not write the " << s.what << "\n";
      return 1;
    }
  }
  return ConvertLanguage(langIn, langOut) ? 0 : 1;
}
