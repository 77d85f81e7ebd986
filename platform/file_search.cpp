#include "platform/file_search.h"

#include <algorithm>

namespace platform {

namespace {

bool LooksLikeUtf8(std::string_view s) {
  // Round trip through the decoder: invalid sequences come back as U+FFFD bytes.
  return EncodeUtf8(DecodeUtf8(s)) == s;
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask, const CodePage& cp) {
  if (mask == "*.*") mask = "*";
  // Iterative wildcard match with one backtrack point: linear in practice and
  // never recursive, whatever the mask.
  size_t n = 0, m = 0;
  size_t starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (m < mask.size() &&
               (mask[m] == '?' || cp.Upper(static_cast<unsigned char>(mask[m])) ==
                                      cp.Upper(static_cast<unsigned char>(name[n])))) {
      ++m;
      ++n;
    } else if (starM != std::string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

std::vector<std::string> FindFiles(const std::filesystem::path& folder, std::string_view mask,
                                   const CodePage& cp) {
  std::vector<std::string> out;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    std::string name = it->path().filename().string();
    std::string bytes = LooksLikeUtf8(name) ? cp.FromUtf8(name) : name;
    if (MatchesMask(bytes, mask, cp)) out.push_back(std::move(name));
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace platform
