#pragma once
// Pictures of the main window's tabs for the documentation, taken from the
// running program: the given command lines are entered in the command box,
// account management is enabled and a friend greeted (when an account and a
// friend are given), then each tab is grabbed as "<folder>/tab-<n>.png".
// Message boxes are answered automatically while this runs.
#include <filesystem>
#include <string>
#include <vector>

namespace vkr {

class Application;

struct ScreenshotRoad {
    std::vector<std::string> commands;  // UTF-8 lines for the command box
    std::string friendQq;               // empty: the account page is left alone
    std::string greeting;
};

// True when every picture was saved.
bool TakeScreenshots(Application& application, const ScreenshotRoad& road, const std::filesystem::path& folder);

// Reads VKR_SCREENSHOT_COMMANDS (lines separated by ';'), VKR_SCREENSHOT_FRIEND
// and VKR_SCREENSHOT_TEXT.
ScreenshotRoad ScreenshotRoadFromEnvironment();

}  // namespace vkr
