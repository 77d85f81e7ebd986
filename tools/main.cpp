// qazmir-tool: game files, resource packs, fonts, effect files and state files
// for authors and tests.

#include <CLI/CLI.hpp>

#include <iostream>

#include "platform/version.h"
#include "tools/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"qazmir-tool: build and inspect Qazmir game data", "qazmir-tool"};
  app.set_version_flag("--version", std::string("qazmir-tool ") + platform::kVersion);
  app.require_subcommand(1);
  tools::CommonOptions common;
  app.add_option("--codepage", common.codepage, "game code page (default CP1251)");

  std::string input, output;

  auto* dump = app.add_subcommand("dump", "game file -> scene JSON on stdout");
  dump->add_option("GAME", input, "game file (.qzf)")->required();

  auto* build = app.add_subcommand("build", "scene JSON -> game file");
  build->add_option("SCENE", input, "scene JSON")->required();
  build->add_option("-o,--output", output, "game file to write")->required();

  auto* state = app.add_subcommand("state", "state file -> JSON records on stdout");
  state->add_option("FILE", input, "state file")->required();

  auto* pack = app.add_subcommand("pack", "folder -> resource pack");
  pack->add_option("DIR", input, "folder to pack")->required();
  pack->add_option("-o,--output", output, "pack to write (.qst)")->required();

  auto* unpack = app.add_subcommand("unpack", "resource pack -> folder");
  unpack->add_option("PACK", input, "resource pack (.qst)")->required();
  unpack->add_option("-o,--output", output, "folder to write into")->required();

  auto* ls = app.add_subcommand("ls", "list the entries of a resource pack");
  ls->add_option("PACK", input, "resource pack (.qst)")->required();

  tools::FontOptions font;
  auto* fontCmd = app.add_subcommand("font", "TrueType font -> font archive record");
  fontCmd->add_option("TTF", font.ttf, "TrueType font file")->required();
  fontCmd->add_option("--size", font.size, "pixel size")->required();
  fontCmd->add_option("--name", font.name, "font name in the archive")->required();
  fontCmd->add_option("-o,--output", font.out, "font archive to create or add to")->required();

  tools::EffectOptions effect;
  auto* effectCmd = app.add_subcommand("effect", "effect JSON -> 136-byte effect file");
  effectCmd->add_option("INPUT", effect.input, "effect JSON (or effect file with --dump)")
      ->required();
  effectCmd->add_option("-o,--output", effect.out, "effect file to write");
  effectCmd->add_flag("--dump", effect.dump, "print an effect file as JSON");

  auto* check = app.add_subcommand("check", "report problems of a game");
  check->add_option("GAME", input, "game file (.qzf)")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }

  if (*dump) return tools::RunDump(common, input);
  if (*build) return tools::RunBuild(common, input, output);
  if (*state) return tools::RunState(common, input);
  if (*pack) return tools::RunPack(common, input, output);
  if (*unpack) return tools::RunUnpack(common, input, output);
  if (*ls) return tools::RunLs(common, input);
  if (*fontCmd) return tools::RunFont(common, font);
  if (*effectCmd) return tools::RunEffect(common, effect);
  if (*check) return tools::RunCheck(common, input);
  return 2;
}
