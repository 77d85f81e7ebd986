// qazmir-tool font: rasterise a TrueType font into a font archive record,
// creating the archive or adding the record to it (a record of the same name,
// ignoring case, is replaced).

#include <chrono>
#include <filesystem>
#include <iostream>

#include "platform/codepage.h"
#include "platform/file_io.h"
#include "render/font_archive.h"
#include "render/ttf_font_builder.h"
#include "tools/commands.h"

namespace tools {

namespace {

// Now as a day count since 30 December 1899, the record's date field.
double DayNumberNow() {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
  return 25569.0 + static_cast<double>(seconds) / 86400.0;
}

}  // namespace

int RunFont(const CommonOptions& common, const FontOptions& options) {
  const platform::CodePage* codePage = platform::CodePage::Find(common.codepage);
  if (codePage == nullptr) {
    std::cerr << "qazmir-tool font: unknown code page " << common.codepage << "\n";
    return 2;
  }
  if (options.name.empty()) {
    std::cerr << "qazmir-tool font: the font name must not be empty\n";
    return 2;
  }

  render::FontArchiveWriter writer;
  std::error_code ec;
  if (std::filesystem::exists(options.out, ec)) {
    render::FontArchive existing;
    existing.Open(options.out);
    if (!writer.LoadExisting(existing)) {
      std::cerr << "qazmir-tool font: " << options.out
                << " exists and is not a readable font archive; not overwritten\n";
      return 1;
    }
  }

  render::TtfFontOptions ttf;
  ttf.ttfPath = options.ttf;
  ttf.pixelSize = options.size;
  ttf.codePage = codePage;
  std::string record, error;
  if (!render::BuildFontRecordFromTtf(ttf, record, error)) {
    std::cerr << "qazmir-tool font: " << error << "\n";
    return 1;
  }
  writer.AddRecord(options.name, render::kFontRecordKind,
                   {reinterpret_cast<const uint8_t*>(record.data()), record.size()},
                   DayNumberNow());
  if (!platform::WriteFileAtomically(options.out, writer.Build())) {
    std::cerr << "qazmir-tool font: cannot write " << options.out << "\n";
    return 1;
  }
  std::cout << "font " << options.name << ": " << record.size() << " bytes, "
            << writer.RecordCount() << " record(s) in " << options.out << "\n";
  return 0;
}

}  // namespace tools
