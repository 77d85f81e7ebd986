// check: report what an author would want to fix in a game.

#include <iostream>

#include "platform/codepage.h"
#include "tools/check_game.h"
#include "tools/commands.h"

namespace tools {

// Exit status: 0 for a clean game (nothing written), 1 when problems were
// found (one line each on stdout, a count on stderr), 2 when the file could
// not be checked at all.
int RunCheck(const CommonOptions& common, const std::string& gameFile) {
  const platform::CodePage* cp = platform::CodePage::Find(common.codepage);
  if (!cp) {
    std::cerr << "qazmir-tool check: unknown code page " << common.codepage << "\n";
    return 2;
  }
  const CheckResult result = CheckGame(gameFile, *cp);
  if (result.status != CheckResult::Status::Checked) {
    std::cerr << "qazmir-tool check: " << result.error << "\n";
    return 2;
  }
  if (result.lines.empty()) return 0;
  for (const std::string& line : result.lines) std::cout << line << "\n";
  std::cout.flush();
  std::cerr << "qazmir-tool check: " << result.lines.size()
            << (result.lines.size() == 1 ? " problem" : " problems") << " in " << gameFile << "\n";
  return 1;
}

}  // namespace tools
