#pragma once
// What the console host's operations talk to besides Mirai itself: the pane,
// the command box, message boxes, the window event loop and the log. The GUI
// provides the interfaces; tests pass small fakes of the three GUI ones.
namespace vkr {

class ConsolePaneModel;
class ConsoleView;
class DialogService;
class EventPump;
class LogWriter;

struct ConsoleServices {
    ConsolePaneModel& pane;
    ConsoleView& view;
    DialogService& dialogs;
    EventPump& pump;
    LogWriter& log;
};

}  // namespace vkr
