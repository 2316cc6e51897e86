#pragma once
// The day's log: "<run directory>/Log/<year-month-day>/log.txt", one line per
// Write: "[9:5]#INFO#message\r\n", CP936 bytes.
//
// Each Write opens the file, appends its line in one write and closes it, so
// the cost of a line does not grow with the day's log, nothing stays open
// while Mirai runs, and a zero byte or an unreadable file never loses lines.
// Writes from all threads (and all LogWriter objects) are serialised.
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace vkr {

class LogWriter {
public:
    // runDirectory: the folder holding "Log"; empty means the process's run directory.
    explicit LogWriter(std::filesystem::path runDirectory = {});

    // Levels: omitted, 0 or 1 "INFO"; 2 "NOTICE"; 3 "WARN"; 4 "ERROR"; 5 "DEBUG";
    // any other an empty level name. Failures are not reported (the line is lost).
    void Write(const std::string& message, std::optional<int> level = std::nullopt) const;

    // The same line stamped with a given local time (tests of the day boundary).
    void WriteAt(const std::string& message, std::optional<int> level, const std::tm& moment) const;

    static std::string LevelName(std::optional<int> level);
    std::filesystem::path DayFile(const std::tm& moment) const;

private:
    std::filesystem::path runDirectory_;
};

}  // namespace vkr
