#pragma once
// Whole-file reads and crash-safe whole-file writes. Every function here goes
// through the game's confinement (confined_files.h): paths inside the game's
// folder or its per-user folder stay there after their links, and the
// per-user folder is created by the first write into it.

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

// A new file "<stem>.<pid>.<random>" in the folder holding the bytes; its path,
// or nullopt when it could not be made whole.
std::optional<std::filesystem::path> CreateUniqueFile(const std::filesystem::path& folder,
                                                      const std::string& stem,
                                                      std::string_view bytes);

// Appends bytes to a file, creating it when missing. Returns false on failure.
bool AppendToFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace platform
