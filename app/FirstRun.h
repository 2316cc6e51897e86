#pragma once
// What the main window does once it has been created: greet the user, log the
// start and, in a run directory without "\Install.lock", install it (working
// folders, marker) and check that "\Core" is present. Qt-free: it talks to the
// user through the DialogService.
#include <filesystem>

namespace vkr {

class DialogService;
class LogWriter;

class FirstRun {
public:
    FirstRun(const std::filesystem::path& runDirectory, DialogService& dialogs, const LogWriter& log);

    // Welcome box, "Velkorin started", then the installation when not installed.
    void OnMainWindowCreated();

private:
    void Install();

    std::filesystem::path runDirectory_;
    DialogService& dialogs_;
    const LogWriter& log_;
};

}  // namespace vkr
