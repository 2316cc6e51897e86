#pragma once
// The run directory is the program's working tree. Inside the program its
// entries are named Windows-style ("\MConfig\QQ.vkr", CP936); RunPath maps such a
// name onto the native path of this OS.
#include <filesystem>
#include <string>
#include <string_view>

namespace vkr {

// The folder that holds the running executable (resolved through /proc/self/exe).
std::filesystem::path ExecutableFolder();

// Sets the process-wide run directory and makes it the working directory, so
// that Mirai started later finds "./libs". Returns false when it cannot be entered.
bool SetRunDirectory(const std::filesystem::path& folder);
std::filesystem::path RunDirectory();

// "\MConfig\QQ.vkr" => <run directory>/MConfig/QQ.vkr (name converted CP936 => UTF-8).
std::filesystem::path RunPath(std::string_view backslashPath);
// The same mapping under an explicit base folder (tests, helpers with their own root).
std::filesystem::path NativePath(const std::filesystem::path& base, std::string_view backslashPath);

}  // namespace vkr
