#include "app/options.h"

#include "platform/codepage.h"
#include "platform/numeric.h"

namespace app {

bool ParseScreenshotRequest(const std::string& text, ScreenshotRequest& out) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon + 1 >= text.size()) return false;
  auto pass = platform::ParseIntegerText(text.substr(0, colon));
  if (!pass || *pass < 0) return false;
  out.pass = *pass;
  out.file = text.substr(colon + 1);
  return true;
}

std::string CheckPlayerOptions(const PlayerOptions& options) {
  if (!platform::CodePage::Find(options.codepage))
    return "unknown code page \"" + options.codepage + "\"";
  if (!options.audioOut.empty() && !options.headless) return "--audio-out needs --headless";
  if (options.windowed && options.fullscreen) return "--windowed excludes --fullscreen";
  return {};
}

}  // namespace app
