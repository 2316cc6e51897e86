#include "platform/RunDirectory.h"

#include <mutex>

#include "platform/CodePage.h"

namespace vkr {
namespace {

std::mutex runDirectoryMutex;
std::filesystem::path runDirectory;

}  // namespace

std::filesystem::path ExecutableFolder() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error);
    return exe.parent_path();
}

bool SetRunDirectory(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    if (error) return false;
    std::filesystem::current_path(absolute, error);
    if (error) return false;
    std::lock_guard lock(runDirectoryMutex);
    runDirectory = absolute;
    return true;
}

std::filesystem::path RunDirectory() {
    std::lock_guard lock(runDirectoryMutex);
    if (runDirectory.empty()) runDirectory = ExecutableFolder();
    return runDirectory;
}

std::filesystem::path NativePath(const std::filesystem::path& base, std::string_view backslashPath) {
    std::filesystem::path result = base;
    std::string utf8 = Cp936ToUtf8(backslashPath);
    size_t start = 0;
    while (start <= utf8.size()) {
        size_t end = utf8.find_first_of("\\/", start);
        if (end == std::string::npos) end = utf8.size();
        if (end > start) result /= utf8.substr(start, end - start);
        start = end + 1;
    }
    return result;
}

std::filesystem::path RunPath(std::string_view backslashPath) {
    return NativePath(RunDirectory(), backslashPath);
}

}  // namespace vkr
