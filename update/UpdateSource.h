#pragma once
// The update-source refresh behind the menu command "更新源": fetches the list
// from the update server and stores it, in CP936, as "\MConfig\source.vkr".
//
// Only a successful (2xx), non-empty answer replaces the stored list, and the
// replacement is atomic; on any failure the old list stays, an ERROR line is
// logged and the user is told that the refresh failed (instead of the
// success message).
#include <filesystem>
#include <string>

namespace vkr {

class DialogService;
class EventPump;
class LogWriter;
struct UpdateEndpoints;

// runDirectory: the folder holding "MConfig"; empty means the process's run directory.
// Returns true when the list was stored.
bool RefreshUpdateSource(DialogService& dialogs, LogWriter& log, const UpdateEndpoints& endpoints,
                         const std::filesystem::path& runDirectory = {}, EventPump* eventPump = nullptr);

}  // namespace vkr
