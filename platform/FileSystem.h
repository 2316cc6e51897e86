#pragma once
// Whole-file reads and writes, folder creation and existence tests. Writes
// never leave a half-written file behind: a replacement goes to a temporary
// file beside the target and is renamed over it.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vkr {

// The file's bytes; std::nullopt when it does not exist or cannot be read
// (callers must not mistake an unreadable file for an empty one).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Replaces the file with bytes, atomically. False when it could not be written.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

// Appends bytes in one write with O_APPEND (close-on-exec); creates the file
// when missing. False when the file cannot be opened or written.
bool AppendToFile(const std::filesystem::path& path, std::string_view bytes);

// Creates one folder level; true when it exists afterwards.
bool CreateFolder(const std::filesystem::path& path);
bool PathExists(const std::filesystem::path& path);

}  // namespace vkr
