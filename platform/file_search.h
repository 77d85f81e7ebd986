#pragma once
// Listing the files of a folder that match a Windows-style mask.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace platform {

// True when name matches mask: "*" any run of characters, "?" exactly one,
// other characters without regard to letter case in the code page; "*.*"
// matches every name. Both are code page bytes.
bool MatchesMask(std::string_view name, std::string_view mask, const CodePage& cp = CodePage::Default());

// The regular files (symbolic links to them included, folders not) in folder
// whose names match mask (code page bytes), as on-disk names sorted in byte
// order. On-disk names are matched after conversion to the code page
// (characters it lacks read as "?"; names that are not UTF-8 as raw bytes).
// Empty when the folder cannot be read.
std::vector<std::string> FindFiles(const std::filesystem::path& folder, std::string_view mask,
                                   const CodePage& cp = CodePage::Default());

}  // namespace platform
