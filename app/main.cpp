// Velkorin: start-up order is the core objects, then the main window, then
// the message loop; the process ends with exit code 0.
//
// With VKR_SCREENSHOTS=<folder> the program walks the road of
// ScreenshotRoadFromEnvironment, saves a picture of each tab there and ends.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Screenshots.h"
#include "platform/RunDirectory.h"

namespace {

// "--run-dir <folder>" chooses the run directory; without it the program runs
// in the folder that holds its executable.
std::filesystem::path ChooseRunDirectory(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--run-dir") == 0) return std::filesystem::absolute(argv[i + 1]);
    }
    return vkr::ExecutableFolder();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::filesystem::path runDirectory = ChooseRunDirectory(argc, argv);
    if (!vkr::SetRunDirectory(runDirectory)) {
        std::fprintf(stderr, "velkorin: cannot enter the run directory %s\n", runDirectory.c_str());
        return 1;
    }
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    vkr::Application velkorin(vkr::RunDirectory(), arguments);
    const char* screenshots = std::getenv("VKR_SCREENSHOTS");
    if (screenshots != nullptr) velkorin.Dialogs().SetAutoAnswer(true);
    velkorin.Start();
    if (screenshots != nullptr) {
        const bool saved = vkr::TakeScreenshots(velkorin, vkr::ScreenshotRoadFromEnvironment(), screenshots);
        velkorin.Window().close();
        if (!saved) std::fprintf(stderr, "velkorin: could not save the screenshots in %s\n", screenshots);
        return saved ? 0 : 1;
    }
    application.exec();
    return 0;
}
