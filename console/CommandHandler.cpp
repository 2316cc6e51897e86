#include "console/CommandHandler.h"

#include <string_view>

#include "console/ConsoleHost.h"
#include "console/ConsolePaneModel.h"
#include "console/ConsoleView.h"
#include "console/KeyRewrite.h"
#include "console/PortRepair.h"
#include "log/LogWriter.h"
#include "platform/IniFile.h"
#include "platform/RunDirectory.h"

namespace vkr {
namespace {

constexpr int kNotice = 2;
constexpr std::string_view kSetAccount = "vkr setQQ ";
constexpr std::string_view kEditKey = "vkr editServerKey ";
constexpr std::string_view kFixHttp = "vkr fixhttp";

// Compares the first prefix.size() bytes (fewer when the command is shorter).
bool StartsWith(const std::string& command, std::string_view prefix) {
    return std::string_view(command).substr(0, prefix.size()) == prefix;
}

}  // namespace

CommandHandler::CommandHandler(ConsoleHost& host, KeyRewrite& keyRewrite, PortRepair& portRepair,
                               ConsoleServices services)
    : host_(host), keyRewrite_(keyRewrite), portRepair_(portRepair), services_(services) {}

bool CommandHandler::OnKeyPressed(int keyCode, const std::string& boxText) {
    if (keyCode != kEnterKey) return false;
    services_.log.Write("vkr input:" + boxText);
    Handle(boxText);
    return true;
}

void CommandHandler::Handle(const std::string& command) {
    ConsolePaneModel& pane = services_.pane;
    if (command == "vkr start") {
        pane.Append("\r\n[VKR]VKR Start...");
        host_.Launch();
    } else if (command == "vkr getServerIP") {
        pane.Append("\r\n[VKR]ServerIP is :" + host_.Server().ip);
    } else if (command == "vkr getServerPort") {
        pane.Append("\r\n[VKR]ServerPort is :" + host_.Server().port);
    } else if (command == "vkr getServerKey") {
        pane.Append("\r\n[VKR]ServerKey is :" + host_.Server().key);
        pane.Append("\r\n[WARN]Please protect your key carefully.");
    } else if (command == "vkr clear") {
        pane.Replace("[VKR]Clear all the information had been output");
    } else if (command == "vkr help") {
        ShowHelp();
    } else if (StartsWith(command, kSetAccount)) {
        SetAccount(command);
    } else if (StartsWith(command, kEditKey)) {
        HandOverKey(command);
    } else if (command == "vkr restart") {
        Restart();
    } else if (StartsWith(command, kFixHttp)) {
        portRepair_.Run();
    } else {
        host_.SendLine(command);
    }
}

void CommandHandler::ShowHelp() {
    services_.pane.Append("\r\n[VKR]vkr help   Get Help from VKR");
    services_.pane.Append("\r\n[VKR]vkr getServerKey/gerServerPort/getServerIP   Get Information about HTTPApi");
    services_.pane.Append("\r\n[VKR]vkr start   Start VKR");
}

// The account is everything after the prefix, untrimmed; the file's other
// sections and keys stay as they were.
void CommandHandler::SetAccount(const std::string& command) {
    services_.pane.Append("\r\n[VKR]VKR set QQ , you can manage your QQ in VKR.");
    const std::string account = command.substr(kSetAccount.size());
    if (!WriteProfileString(RunPath("\\MConfig\\QQ.vkr"), "QQ", "Account", account)) {
        services_.pane.Append("\r\n[WARN]VKR could not save the QQ account in MConfig\\QQ.vkr.");
    }
    services_.log.Write("VKR has received the QQset", kNotice);
}

void CommandHandler::HandOverKey(const std::string& command) {
    services_.pane.Append("\r\n[VKR]VKR set the HTTP Key");
    keyRewrite_.Start(command);
}

void CommandHandler::Restart() {
    services_.pane.Append("\r\n[VKR]VKR will restart Mirai.Please Wait for a while.");
    services_.pane.Append("\r\n[VKR]It will take some time to deal with.");
    services_.view.SetCommandBoxEnabled(false);
    services_.log.Write("lock the command box.", kNotice);
    host_.Stop();
    host_.Launch();
    services_.log.Write("VKR restarted");
}

}  // namespace vkr
