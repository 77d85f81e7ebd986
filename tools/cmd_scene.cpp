// dump, build and state.

#include <fstream>
#include <iostream>

#include "platform/codepage.h"
#include "platform/file_io.h"
#include "scene/state_file.h"
#include "tools/commands.h"
#include "tools/scene_json.h"

namespace tools {

namespace {

const platform::CodePage* CodePageOrComplain(const CommonOptions& common, const char* command) {
  const platform::CodePage* cp = platform::CodePage::Find(common.codepage);
  if (!cp) std::cerr << "qazmir-tool " << command << ": unknown code page " << common.codepage << "\n";
  return cp;
}

}  // namespace

int RunDump(const CommonOptions& common, const std::string& gameFile) {
  const platform::CodePage* cp = CodePageOrComplain(common, "dump");
  if (!cp) return 1;
  auto bytes = platform::ReadWholeFile(gameFile);
  if (!bytes) {
    std::cerr << "qazmir-tool dump: cannot read " << gameFile << "\n";
    return 1;
  }
  std::vector<std::string> warnings;
  Json scene = GameFileToJson(*bytes, *cp, warnings);
  for (const auto& w : warnings) std::cerr << "qazmir-tool dump: warning: " << w << "\n";
  if (!scene.contains("props")) {
    std::cerr << "qazmir-tool dump: " << gameFile << " is not a game file\n";
    return 1;
  }
  std::cout << scene.dump(2) << "\n";
  return 0;
}

int RunBuild(const CommonOptions& common, const std::string& sceneJson, const std::string& out) {
  const platform::CodePage* cp = CodePageOrComplain(common, "build");
  if (!cp) return 1;
  auto text = platform::ReadWholeFile(sceneJson);
  if (!text) {
    std::cerr << "qazmir-tool build: cannot read " << sceneJson << "\n";
    return 1;
  }
  Json scene;
  try {
    scene = Json::parse(*text);
  } catch (const Json::parse_error& e) {
    std::cerr << "qazmir-tool build: " << sceneJson << " is not valid JSON: " << e.what() << "\n";
    return 1;
  }
  std::string bytes;
  try {
    bytes = JsonToGameFile(scene, std::filesystem::path(sceneJson).parent_path(), *cp);
  } catch (const ToolError& e) {
    std::cerr << "qazmir-tool build: " << sceneJson << ": " << e.what() << "\n";
    return 1;
  } catch (const Json::exception& e) {
    std::cerr << "qazmir-tool build: " << sceneJson << ": " << e.what() << "\n";
    return 1;
  }
  if (!platform::WriteFileAtomically(out, bytes)) {
    std::cerr << "qazmir-tool build: cannot write " << out << "\n";
    return 1;
  }
  return 0;
}

int RunState(const CommonOptions& common, const std::string& stateFile) {
  const platform::CodePage* cp = CodePageOrComplain(common, "state");
  if (!cp) return 1;
  auto bytes = platform::ReadWholeFile(stateFile);
  if (!bytes) {
    std::cerr << "qazmir-tool state: cannot read " << stateFile << "\n";
    return 1;
  }
  bool complete = true;
  auto records = scene::ParseState(*bytes, &complete);
  Json out = Json::array();
  for (const auto& r : records) {
    Json j;
    j["key"] = r.key;
    j["name"] = cp->ToUtf8(r.name);
    j["tag"] = std::string(1, r.tag);
    switch (r.tag) {
      case 'E': j["value"] = r.value.d; break;
      case 'S': j["value"] = cp->ToUtf8(r.value.s); break;
      default: j["value"] = r.value.i; break;
    }
    out.push_back(std::move(j));
  }
  std::cout << out.dump(2) << "\n";
  if (!complete) {
    std::cerr << "qazmir-tool state: warning: the last record is cut short or has an unknown tag\n";
  }
  return 0;
}

}  // namespace tools
