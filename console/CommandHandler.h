#pragma once
// The command box: every Enter is logged, then the line is either one of the
// program's own "vkr" commands or goes to Mirai Console's standard input.
// Commands compare byte for byte and case-sensitively.
#include <string>

#include "console/ConsoleServices.h"

namespace vkr {

class ConsoleHost;
class KeyRewrite;
class PortRepair;

class CommandHandler {
public:
    static constexpr int kEnterKey = 13;

    CommandHandler(ConsoleHost& host, KeyRewrite& keyRewrite, PortRepair& portRepair, ConsoleServices services);

    // Key pressed in the command box holding boxText. Returns true when the
    // key was Enter and the line was handled: the view then empties the box.
    bool OnKeyPressed(int keyCode, const std::string& boxText);

    // Runs the first matching entry of the command table.
    void Handle(const std::string& command);

private:
    void ShowHelp();
    void SetAccount(const std::string& command);
    void HandOverKey(const std::string& command);
    void Restart();

    ConsoleHost& host_;
    KeyRewrite& keyRewrite_;
    PortRepair& portRepair_;
    ConsoleServices services_;
};

}  // namespace vkr
