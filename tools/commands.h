#pragma once
// The subcommands of qazmir-tool. main.cpp parses the command line (it is the
// only file that includes CLI11) and calls one of these; each returns the
// process exit status and writes its own messages.

#include <string>
#include <vector>

namespace tools {

struct CommonOptions {
  std::string codepage = "CP1251";
};

int RunDump(const CommonOptions& common, const std::string& gameFile);
int RunBuild(const CommonOptions& common, const std::string& sceneJson, const std::string& out);
int RunState(const CommonOptions& common, const std::string& stateFile);

int RunPack(const CommonOptions& common, const std::string& dir, const std::string& out);
int RunUnpack(const CommonOptions& common, const std::string& pack, const std::string& outDir);
int RunLs(const CommonOptions& common, const std::string& pack);

struct FontOptions {
  std::string ttf;
  int size = 16;
  std::string name;
  std::string out;
};
int RunFont(const CommonOptions& common, const FontOptions& options);

struct EffectOptions {
  std::string input;   // effect JSON, or the effect file with --dump
  std::string out;
  bool dump = false;
};
int RunEffect(const CommonOptions& common, const EffectOptions& options);

int RunCheck(const CommonOptions& common, const std::string& gameFile);

}  // namespace tools
