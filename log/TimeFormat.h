#pragma once
#include <ctime>
#include <string>

namespace vkr {

// Date and time texts for the log, decimal without leading zeros, from local time.
// Codes: 1 "2021-3-5", 2 "9-5", 3 "2021-3-5|9:5", 11 year, 12 month, 13 day,
// 14 hour, 15 minute, 233 "9:5"; any other code "UnknownTime".
class TimeFormat {
public:
    std::string Format(int code) const;
    // The same for a given moment (tests, and a log line's own timestamp).
    static std::string FormatAt(int code, const std::tm& moment);
};

}  // namespace vkr
