#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Reads a whole regular file. Returns nullopt when it cannot be opened or read,
// or when it is larger than maxBytes.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                         uint64_t maxBytes = UINT64_C(1) << 31);

// Reads at most maxBytes from the start of a regular file (all of a shorter
// one). False when it cannot be opened or read.
bool ReadFileHead(const std::filesystem::path& path, size_t maxBytes, std::string& out);

// Replaces the file with the given bytes so that a reader (or a crash) sees
// either the old content or the new content, never a torn file: the bytes go to
// a unique temporary file in the same folder, are flushed to disk, and the
// temporary file is renamed over the target. Returns false (leaving the old
// file in place) on any failure. Temporary files that writes killed before
// their rename left behind are removed by the next write of the same file.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Appends bytes to a file, creating it when missing. Returns false on failure.
bool AppendToFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace platform
