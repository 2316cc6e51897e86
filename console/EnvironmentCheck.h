#pragma once
// The menu's Java check: runs "java -version" and tells the user whether the
// expected version 15.0.2 is installed; when not, puts a JDK download page on
// the clipboard and logs what Java printed.
#include <string>

#include "console/ConsoleServices.h"

namespace vkr {

class EnvironmentCheck {
public:
    static constexpr const char* kExpectedVersion = "15.0.2";
    static constexpr const char* kDownloadPage = "https://www.jb51.net/softs/745289.html";

    explicit EnvironmentCheck(ConsoleServices services);

    // True when the expected version was found (the user has been told either way).
    bool Run();

private:
    ConsoleServices services_;
};

}  // namespace vkr
