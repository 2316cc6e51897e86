#pragma once
// The console's command line: "help", "status", "stop" and the "event ..."
// commands that play the QQ side (messages, recalls, member changes) into the
// fetchMessage queues. Each command answers with console lines.
#include <string>
#include <vector>

namespace vkr::standin {

class BotWorld;
class ConsoleOutput;

class ConsoleCommands {
public:
    ConsoleCommands(BotWorld& world, ConsoleOutput& console);

    // Runs one input line (a trailing "\r" and a leading "/" are ignored).
    // Returns false when the line asks the console to stop.
    bool Execute(std::string line);

private:
    void Help();
    void Status();
    void Login(const std::vector<std::string>& words);
    void Event(const std::vector<std::string>& words, const std::string& line);

    BotWorld& world_;
    ConsoleOutput& console_;
};

}  // namespace vkr::standin
