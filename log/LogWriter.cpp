#include "log/LogWriter.h"

#include <mutex>

#include "log/TimeFormat.h"
#include "platform/FileSystem.h"
#include "platform/RunDirectory.h"

namespace vkr {
namespace {

// One lock for every writer of the process: all of them append to the same day file.
std::mutex logMutex;

}  // namespace

LogWriter::LogWriter(std::filesystem::path runDirectory) : runDirectory_(std::move(runDirectory)) {}

std::string LogWriter::LevelName(std::optional<int> level) {
    switch (level.value_or(0)) {
        case 0:
        case 1: return "INFO";
        case 2: return "NOTICE";
        case 3: return "WARN";
        case 4: return "ERROR";
        case 5: return "DEBUG";
        default: return "";
    }
}

std::filesystem::path LogWriter::DayFile(const std::tm& moment) const {
    std::filesystem::path base = runDirectory_.empty() ? RunDirectory() : runDirectory_;
    return base / "Log" / TimeFormat::FormatAt(1, moment) / "log.txt";
}

void LogWriter::Write(const std::string& message, std::optional<int> level) const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    WriteAt(message, level, local);
}

void LogWriter::WriteAt(const std::string& message, std::optional<int> level, const std::tm& moment) const {
    const std::filesystem::path file = DayFile(moment);
    const std::string line =
        "[" + TimeFormat::FormatAt(233, moment) + "]#" + LevelName(level) + "#" + message + "\r\n";
    std::lock_guard lock(logMutex);
    // Only the day folder is created; "Log" itself comes from the installation.
    if (!PathExists(file)) CreateFolder(file.parent_path());
    AppendToFile(file, line);
}

}  // namespace vkr
