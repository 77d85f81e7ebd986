// INI files with the Windows private-profile semantics: reads, writes that keep
// the rest of the file, the wide-character reader and writer, and hostile bytes.

#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "support/test_support.h"

namespace platform {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Utf16File(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

ino_t Inode(const std::filesystem::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_ino;
}

// ---- Reading ----

// Names match in any letter case, blanks around names and values are ignored,
// a value keeps every "=" after the first, and missing things give the default.
TEST(IniReadTest, NamesValuesAndDefaults) {
  TempDir dir;
  auto f = dir / "a.ini";
  WriteFile(f,
            "; comment=1\r\n"
            "orphan=before any section\r\n"
            "  [ Def ]  \r\n"
            "Snd = 80 \r\n"
            "\tMuz\t=\t 50\t\r\n"
            "Formula=a=b=c\r\n"
            "Empty=\r\n"
            "no equals sign\r\n"
            ";Hidden=1\r\n"
            "[Other]\r\n"
            "Snd=1\r\n");
  EXPECT_EQ(ReadProfileString(f, "def", "SND", "x"), "80");
  EXPECT_EQ(ReadProfileString(f, " DEF ", " snd ", "x"), "80");
  EXPECT_EQ(ReadProfileString(f, "Def", "Muz", "x"), "50");
  EXPECT_EQ(ReadProfileString(f, "Def", "Formula", "x"), "a=b=c");
  EXPECT_EQ(ReadProfileString(f, "Def", "Empty", "x"), "");
  EXPECT_EQ(ReadProfileString(f, "Other", "Snd", "x"), "1");
  // Never keys: comments, lines without "=", keys before the first section.
  EXPECT_EQ(ReadProfileString(f, "Def", ";Hidden", "d"), "d");
  EXPECT_EQ(ReadProfileString(f, "Def", "no equals sign", "d"), "d");
  EXPECT_EQ(ReadProfileString(f, "", "orphan", "d"), "d");
  // Defaults: missing key, section and file; trailing spaces of the default go.
  EXPECT_EQ(ReadProfileString(f, "Def", "FS", "1"), "1");
  EXPECT_EQ(ReadProfileString(f, "Nope", "Snd", "100  "), "100");
  EXPECT_EQ(ReadProfileString(dir / "missing.ini", "Def", "Snd", " 7 "), " 7");
  EXPECT_EQ(ReadProfileString(dir.Path(), "Def", "Snd", "dir"), "dir");  // a folder
}

// Line endings LF, CR LF, a last line without one, and a UTF-8 byte order mark.
TEST(IniReadTest, LineEndingsAndByteOrderMark) {
  TempDir dir;
  auto f = dir / "a.ini";
  WriteFile(f, "\xEF\xBB\xBF[A]\nx=1\r\ny=2\n[B]\nz=3");
  EXPECT_EQ(ReadProfileString(f, "A", "x", ""), "1");
  EXPECT_EQ(ReadProfileString(f, "A", "y", ""), "2");
  EXPECT_EQ(ReadProfileString(f, "B", "z", ""), "3");
}

// Only the first section of a name is seen, and in it the first key of a name.
TEST(IniReadTest, FirstSectionAndFirstKeyWin) {
  TempDir dir;
  auto f = dir / "a.ini";
  WriteFile(f, "[S]\nk=1\nk=2\n[s]\nk=3\nonly=4\n");
  EXPECT_EQ(ReadProfileString(f, "S", "K", ""), "1");
  EXPECT_EQ(ReadProfileString(f, "S", "only", "no"), "no");
  IniDocument doc = IniDocument::Parse(ReadFile(f));
  EXPECT_EQ(doc.Get("s", "k"), "1");
  EXPECT_FALSE(doc.Has("S", "only"));
}

// The on-disk reader drops one pair of matching quotes, as Windows does; the
// in-memory form keeps values as stored.
TEST(IniReadTest, QuotesAroundValues) {
  TempDir dir;
  auto f = dir / "a.ini";
  WriteFile(f, "[S]\na=\"quoted\"\nb='single'\nc=\"open\nd=\"\ne=\"x\"y\"\n");
  EXPECT_EQ(ReadProfileString(f, "S", "a", ""), "quoted");
  EXPECT_EQ(ReadProfileString(f, "S", "b", ""), "single");
  EXPECT_EQ(ReadProfileString(f, "S", "c", ""), "\"open");
  EXPECT_EQ(ReadProfileString(f, "S", "d", ""), "\"");
  EXPECT_EQ(ReadProfileString(f, "S", "e", ""), "x\"y");
  EXPECT_EQ(IniDocument::Parse(ReadFile(f)).Get("S", "a"), "\"quoted\"");
}

// Cyrillic section and key names match in any letter case in the code page.
TEST(IniReadTest, CyrillicNamesIgnoreCase) {
  TempDir dir;
  auto f = dir / "rus.lng";
  WriteFile(f, "[\xCC\xE5\xED\xFE]\r\n\xD1\xF2\xE0\xF0\xF2=\xCD\xE0\xF7\xE0\xF2\xFC\r\n");  // [Меню] Старт=Начать
  EXPECT_EQ(ReadProfileString(f, "\xEC\xC5\xCD\xDE", "\xF1\xD2\xC0\xD0\xD2", ""),
            "\xCD\xE0\xF7\xE0\xF2\xFC");  // мЕНЮ.сТАРТ
  IniDocument doc = IniDocument::Load(f);
  EXPECT_EQ(doc.Get("\xCC\xC5\xCD\xDE", "\xD1\xD2\xC0\xD0\xD2"), "\xCD\xE0\xF7\xE0\xF2\xFC");
}

// Values are cut to the caller's buffer: at most bufferSize - 1 bytes.
TEST(IniReadTest, LongValuesAreCutToTheBuffer) {
  TempDir dir;
  auto f = dir / "a.ini";
  std::string exact(kIniReadBufferSize - 1, 'x');
  std::string longer(kIniReadBufferSize, 'y');
  std::string huge(1 << 20, 'z');
  WriteFile(f, "[S]\nexact=" + exact + "\nlonger=" + longer + "\nhuge=" + huge + "\n");
  EXPECT_EQ(ReadProfileString(f, "S", "exact", ""), exact);
  EXPECT_EQ(ReadProfileString(f, "S", "longer", ""), longer.substr(0, kIniReadBufferSize - 1));
  EXPECT_EQ(ReadProfileString(f, "S", "huge", "").size(), kIniReadBufferSize - 1);
  EXPECT_EQ(ReadProfileString(f, "S", "missing", huge).size(), kIniReadBufferSize - 1);
  EXPECT_EQ(ReadProfileString(f, "S", "exact", "", CodePage::Default(), 4), "xxx");
  EXPECT_EQ(ReadProfileString(f, "S", "exact", "", CodePage::Default(), 0), "");
  EXPECT_EQ(IniDocument::Load(f).Get("S", "huge").size(), huge.size());
}

// ---- Writing ----

// A new file is created on the first write, as single-byte text with CR LF.
TEST(IniWriteTest, CreatesTheFileOnFirstWrite) {
  TempDir dir;
  auto f = dir / "settings.ini";
  ASSERT_TRUE(WriteProfileString(f, "Def", "Snd", "100"));
  EXPECT_EQ(ReadFile(f), "[Def]\r\nSnd=100\r\n");
  ASSERT_TRUE(WriteProfileString(f, "Def", "Muz", "50"));
  ASSERT_TRUE(WriteProfileString(f, "Other", "X", "\xC0"));
  EXPECT_EQ(ReadFile(f), "[Def]\r\nSnd=100\r\nMuz=50\r\n[Other]\r\nX=\xC0\r\n");
  EXPECT_EQ(ReadProfileString(f, "other", "x", ""), "\xC0");
  // The folder must exist.
  EXPECT_FALSE(WriteProfileString(dir / "no" / "such.ini", "Def", "Snd", "1"));
}

// Replacing a value touches only the text after "=" on that line; every other
// byte of the file, comments and odd lines included, stays.
TEST(IniWriteTest, ReplacingKeepsEveryOtherByte) {
  TempDir dir;
  auto f = dir / "a.ini";
  const std::string before =
      "; player settings\r\n"
      "  [ def ]  \r\n"
      "  snd = 100   \r\n"
      "garbage line\r\n"
      "[Other]\r\n"
      "Snd=7\r\n";
  WriteFile(f, before);
  ASSERT_TRUE(WriteProfileString(f, "Def", "SND", "35"));
  EXPECT_EQ(ReadFile(f),
            "; player settings\r\n"
            "  [ def ]  \r\n"
            "  snd =35\r\n"
            "garbage line\r\n"
            "[Other]\r\n"
            "Snd=7\r\n");
  EXPECT_EQ(ReadProfileString(f, "def", "snd", ""), "35");
  EXPECT_EQ(ReadProfileString(f, "Other", "Snd", ""), "7");
}

// A new key goes after the section's last key (not after a comment that
// introduces the next section); the file's line endings are used.
TEST(IniWriteTest, NewKeysAndSectionsKeepTheLineEndings) {
  TempDir dir;
  auto f = dir / "lf.ini";
  WriteFile(f, "[A]\nx=1\n\n; B follows\n[B]\ny=2\n");
  ASSERT_TRUE(WriteProfileString(f, "a", "New", "v"));
  ASSERT_TRUE(WriteProfileString(f, "C", "k", "3"));
  EXPECT_EQ(ReadFile(f), "[A]\nx=1\nNew=v\n\n; B follows\n[B]\ny=2\n[C]\nk=3\n");

  auto g = dir / "crlf.ini";
  WriteFile(g, "[A]\r\n[B]\r\nq=1");  // empty section; last line without an ending
  ASSERT_TRUE(WriteProfileString(g, "A", "k", "1"));
  ASSERT_TRUE(WriteProfileString(g, "B", "r", "2"));
  EXPECT_EQ(ReadFile(g), "[A]\r\nk=1\r\n[B]\r\nq=1\r\nr=2\r\n");

  auto h = dir / "noend.ini";
  WriteFile(h, "[A]");
  ASSERT_TRUE(WriteProfileString(h, "A", "k", "1"));
  EXPECT_EQ(ReadFile(h), "[A]\r\nk=1\r\n");
}

// Names that would not read back, and values that would span lines.
TEST(IniWriteTest, RefusedNamesAndCutValues) {
  TempDir dir;
  auto f = dir / "a.ini";
  WriteFile(f, "[S]\nk=1\n");
  for (auto [section, key] : std::vector<std::pair<std::string, std::string>>{
           {"", "k"}, {"S", ""}, {"  ", "k"}, {"S", "a=b"}, {"S", ";k"}, {"S", "[k"},
           {"S\nX", "k"}, {"S", "k\rx"}, {std::string("S\0", 2), "k"}}) {
    EXPECT_FALSE(WriteProfileString(f, section, key, "v")) << section << "/" << key;
  }
  EXPECT_EQ(ReadFile(f), "[S]\nk=1\n");
  ASSERT_TRUE(WriteProfileString(f, "S", "k", "one\r\n[Injected]\r\nx=1"));
  EXPECT_EQ(ReadFile(f), "[S]\nk=one\n");
  ASSERT_TRUE(WriteProfileString(f, "S", "k", std::string("two\0three", 9)));
  EXPECT_EQ(ReadProfileString(f, "S", "k", ""), "two");
}

// Writing the value a key already has leaves the file alone; a write never
// replaces a file it could not read.
TEST(IniWriteTest, UnchangedAndUnreadableFiles) {
  TempDir dir;
  auto f = dir / "a.ini";
  WriteFile(f, "[S]\nk=1\n");
  ino_t before = Inode(f);
  ASSERT_TRUE(WriteProfileString(f, "S", "K", "1"));
  EXPECT_EQ(Inode(f), before);
  ASSERT_TRUE(WriteProfileString(f, "S", "K", "2"));
  EXPECT_NE(Inode(f), before);  // replaced through a rename

  std::filesystem::create_directory(dir / "folder.ini");
  EXPECT_FALSE(WriteProfileString(dir / "folder.ini", "S", "k", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.ini"));
}

// ---- Wide-character reader and writer ----

TEST(IniWideTest, ReadsUtf16AndCodePageFiles) {
  TempDir dir;
  auto u = dir / "uni.lng";
  WriteFile(u, Utf16File(u"[Default]\r\nTitle=\u00C9t\u00E9 \u65E5\u672C \U0001F600\r\n"
                         u"[\u041C\u0435\u043D\u044E]\r\nStart = \u041F\u0443\u0441\u043A \r\n"));
  EXPECT_EQ(DetectIniEncoding(u), IniEncoding::kUtf16LE);
  EXPECT_EQ(ReadProfileStringWide(u, u"default", u"TITLE", u"", 2000),
            u"\u00C9t\u00E9 \u65E5\u672C \U0001F600");
  EXPECT_EQ(ReadProfileStringWide(u, u"\u043C\u0415\u041D\u042E", u"start", u"", 2000),
            u"\u041F\u0443\u0441\u043A");
  EXPECT_EQ(ReadProfileStringWide(u, u"Default", u"None", u"def  ", 2000), u"def");
  EXPECT_EQ(ReadProfileStringWide(u, u"Default", u"Title", u"", 3), u"\u00C9t");
  // The narrow reader converts to the code page; what it lacks becomes "?".
  EXPECT_EQ(ReadProfileString(u, "\xCC\xE5\xED\xFE", "Start", ""), "\xCF\xF3\xF1\xEA");
  EXPECT_EQ(ReadProfileString(u, "Default", "Title", ""), "?t? ?? ??");

  auto c = dir / "rus.lng";  // CP1251 without a byte order mark
  WriteFile(c, "[Default]\r\nTitle=\xCF\xF0\xE8\xE2\xE5\xF2 \x98\r\n");
  EXPECT_EQ(DetectIniEncoding(c), IniEncoding::kCodePage);
  EXPECT_EQ(ReadProfileStringWide(c, u"Default", u"Title", u"", 2000),
            u"\u041F\u0440\u0438\u0432\u0435\u0442 \u0098");
  EXPECT_EQ(ReadProfileStringWide(dir / "missing", u"a", u"b", u"dflt", 2000), u"dflt");
  std::u16string big(5000, u'w');
  WriteFile(c, "[S]\nv=" + std::string(5000, 'w') + "\n");
  EXPECT_EQ(ReadProfileStringWide(c, u"S", u"v", u"", 1000), big.substr(0, 999));
}

TEST(IniWideTest, WriterKeepsTheEncoding) {
  TempDir dir;
  auto u = dir / "uni.ini";
  WriteFile(u, Utf16File(u"[Def]\r\nA=\u65E5\r\n"));
  ASSERT_TRUE(WriteProfileStringWide(u, u"Def", u"B", u"#$#$C3A9 \u0416"));
  ASSERT_TRUE(WriteProfileStringWide(u, u"def", u"a", u"\u00E9"));
  EXPECT_EQ(ReadFile(u), Utf16File(u"[Def]\r\nA=\u00E9\r\nB=#$#$C3A9 \u0416\r\n"));
  // The narrow writer writes UTF-16 into a UTF-16 file too.
  ASSERT_TRUE(WriteProfileString(u, "New", "K", "\xC6"));
  EXPECT_EQ(ReadFile(u), Utf16File(u"[Def]\r\nA=\u00E9\r\nB=#$#$C3A9 \u0416\r\n[New]\r\nK=\u0416\r\n"));

  auto n = dir / "new.ini";  // a new file is single-byte text in the code page
  ASSERT_TRUE(WriteProfileStringWide(n, u"Def", u"T", u"\u0416\u65E5"));
  EXPECT_EQ(ReadFile(n), "[Def]\r\nT=\xC6?\r\n");
  EXPECT_EQ(DetectIniEncoding(n), IniEncoding::kCodePage);
}

// ---- In-memory form ----

TEST(IniDocumentTest, LookupsAndMemoryOnlyValues) {
  TempDir dir;
  auto f = dir / "snd.ini";
  WriteFile(f, "[Default]\nstep=80:sounds\\step.wav\n[Menu]\nclick = click.wav \n");
  bool existed = false;
  IniDocument doc = IniDocument::Load(f, CodePage::Default(), &existed);
  EXPECT_TRUE(existed);
  EXPECT_EQ(doc.Size(), 2u);
  EXPECT_EQ(doc.Get("DEFAULT", "Step"), "80:sounds\\step.wav");
  EXPECT_EQ(doc.Get("menu", "CLICK"), "click.wav");
  EXPECT_EQ(doc.Get("menu", "none", "dflt"), "dflt");
  EXPECT_FALSE(doc.Find("", "click").has_value());

  doc.Set(" Menu ", "Added", "\x01\xC8");
  doc.Set("menu", "CLICK", "other");
  doc.Set("", "x", "ignored");
  EXPECT_EQ(doc.Get("MENU", "added"), "\x01\xC8");
  EXPECT_EQ(doc.Get("Menu", "click"), "other");
  EXPECT_EQ(ReadFile(f), "[Default]\nstep=80:sounds\\step.wav\n[Menu]\nclick = click.wav \n");

  IniDocument missing = IniDocument::Load(dir / "none.ini", CodePage::Default(), &existed);
  EXPECT_FALSE(existed);
  EXPECT_EQ(missing.Size(), 0u);
  // A UTF-16 file reads into code page text.
  IniDocument wide = IniDocument::Parse(Utf16File(u"[A]\nk=\u0416\u65E5\n"));
  EXPECT_EQ(wide.Get("a", "K"), "\xC6?");
}

// ---- Hostile bytes ----

// NUL bytes, an odd-length UTF-16 file, a header without "]", and random bytes:
// nothing crashes, and after any write the written value reads back.
TEST(IniGarbageTest, AnyBytesSurvive) {
  TempDir dir;
  auto f = dir / "g.ini";
  WriteFile(f, std::string("[S]\nk=ab\0cd\n[T\0U]\nm=1\n", 23));
  EXPECT_EQ(ReadProfileString(f, "S", "k", ""), "ab");
  EXPECT_EQ(IniDocument::Load(f).Get("S", "k"), "ab");
  EXPECT_EQ(ReadProfileString(f, std::string("T\0U", 3), "m", ""), "1");

  std::string odd = Utf16File(u"[S]\r\nk=v\r\n") + "\x41";
  WriteFile(f, odd);
  EXPECT_EQ(ReadProfileStringWide(f, u"S", u"k", u"", 100), u"v");
  ASSERT_TRUE(WriteProfileStringWide(f, u"S", u"k", u"w"));
  EXPECT_EQ(ReadProfileStringWide(f, u"S", u"k", u"", 100), u"w");

  WriteFile(f, "[S\nk=1\n[S]\nk=2\n");
  EXPECT_EQ(ReadProfileString(f, "S", "k", ""), "2");

  std::mt19937 rng(12345);
  const std::string alphabet = std::string("[]=;\r\n \t\0\xFF\xFE" "SkK", 15);
  for (int round = 0; round < 400; ++round) {
    std::string bytes;
    size_t len = rng() % 200;
    if (round % 4 == 0) bytes = "\xFF\xFE";
    for (size_t i = 0; i < len; ++i)
      bytes.push_back(round % 3 ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng()));
    WriteFile(f, bytes);
    (void)ReadProfileString(f, "S", "k", "");
    (void)ReadProfileStringWide(f, u"S", u"k", u"", 50);
    (void)IniDocument::Parse(bytes).Get("S", "k");
    std::string value = "v" + std::to_string(round);
    ASSERT_TRUE(WriteProfileString(f, "S", "k", value)) << round;
    EXPECT_EQ(ReadProfileString(f, "S", "k", ""), value) << round;
    EXPECT_EQ(IniDocument::Load(f).Get("S", "k"), value) << round;
  }
}

}  // namespace
}  // namespace platform
