#pragma once
// INI files with the Windows profile-string service's behaviour: section and
// key names compare without regard to letter case, a write creates the file
// and the section when missing, and every other line (sections, keys,
// comments) is kept byte for byte. Lines are written with "\r\n".
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vkr {

// The value of key in section, with surrounding blanks removed (and one pair of
// enclosing quotes, as the profile service does); std::nullopt when the file,
// section or key is missing or the file cannot be read.
std::optional<std::string> ReadProfileString(const std::filesystem::path& file,
                                             std::string_view section, std::string_view key);

// Sets key=value in section. An unreadable existing file is left untouched
// and false is returned; so is a failed write.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

}  // namespace vkr
