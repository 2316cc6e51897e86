#include "log/TimeFormat.h"

namespace vkr {

std::string TimeFormat::Format(int code) const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FormatAt(code, local);
}

std::string TimeFormat::FormatAt(int code, const std::tm& moment) {
    const std::string year = std::to_string(moment.tm_year + 1900);
    const std::string month = std::to_string(moment.tm_mon + 1);
    const std::string day = std::to_string(moment.tm_mday);
    const std::string hour = std::to_string(moment.tm_hour);
    const std::string minute = std::to_string(moment.tm_min);
    switch (code) {
        case 1: return year + "-" + month + "-" + day;
        case 2: return hour + "-" + minute;
        case 3: return year + "-" + month + "-" + day + "|" + hour + ":" + minute;
        case 11: return year;
        case 12: return month;
        case 13: return day;
        case 14: return hour;
        case 15: return minute;
        case 233: return hour + ":" + minute;
        default: return "UnknownTime";
    }
}

}  // namespace vkr
