#pragma once
// What the account page's buttons do, without Qt: enable the API client for
// the account of "\MConfig\QQ.vkr" on the address Mirai reported, stop its
// event polling, and send a text to a friend or a group or an online image to
// a friend. Each send leaves one pane line and one log line: "[VKR]" with the
// message id, or "[WARN]" with the server's code and what it means.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vkr {

class BotCore;
class ConsolePaneModel;
class DialogService;
class LogWriter;
class ServerInfo;
struct SendResult;

class AccountManager {
public:
    AccountManager(BotCore& core, ServerInfo& serverInfo, DialogService& dialogs, ConsolePaneModel& pane,
                   const LogWriter& log, std::filesystem::path runDirectory);

    // Reads the account, hands it to showAccount (the page's label), and
    // initialises the core when there is one; tells the user the outcome.
    void Enable(const std::function<void(const std::string&)>& showAccount);
    void Disable();

    // Texts are CP936, numbers read by ReadNumber.
    void SendFriendText(std::string_view qqText, const std::string& text);
    void SendGroupText(std::string_view groupText, const std::string& text);
    void SendFriendImage(std::string_view qqText, const std::string& imageUrl);

    // Leading white space skipped, an optional sign, then decimal digits up to
    // the first other character; no digits gives 0, too many saturate.
    // "  42abc" => 42, "-7" => -7, "abc" => 0, "" => 0.
    static std::int64_t ReadNumber(std::string_view text);

private:
    std::string ReadAccount() const;
    void Report(const char* what, std::int64_t target, const SendResult& result);

    BotCore& core_;
    ServerInfo& serverInfo_;
    DialogService& dialogs_;
    ConsolePaneModel& pane_;
    const LogWriter& log_;
    std::filesystem::path runDirectory_;
};

}  // namespace vkr
