// Subcommands whose implementations are still to come. Each moves into a file
// of its own when it is written.

#include <iostream>

#include "tools/commands.h"

namespace tools {

namespace {
int NotYet(const char* name) {
  std::cerr << "qazmir-tool " << name << ": not available in this build\n";
  return 1;
}
}  // namespace

int RunCheck(const CommonOptions&, const std::string&) { return NotYet("check"); }

}  // namespace tools
