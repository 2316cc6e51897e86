#include "app/AccountManager.h"

#include <limits>

#include "api/BotCore.h"
#include "console/ConsolePaneModel.h"
#include "console/ServerInfo.h"
#include "log/LogWriter.h"
#include "platform/CodePage.h"
#include "platform/DialogService.h"
#include "platform/IniFile.h"
#include "platform/RunDirectory.h"

namespace vkr {
namespace {

constexpr int kWarn = 3;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

AccountManager::AccountManager(BotCore& core, ServerInfo& serverInfo, DialogService& dialogs,
                               ConsolePaneModel& pane, const LogWriter& log, std::filesystem::path runDirectory)
    : core_(core),
      serverInfo_(serverInfo),
      dialogs_(dialogs),
      pane_(pane),
      log_(log),
      runDirectory_(std::move(runDirectory)) {}

void AccountManager::Enable(const std::function<void(const std::string&)>& showAccount) {
    const std::string account = ReadAccount();
    showAccount(account);
    if (account.empty()) {
        dialogs_.ShowMessage(Utf8ToCp936("请先使用vkr setQQ [QQ]来确定你的QQ账号"), "");
        return;
    }
    // Later readers ("vkr getServerIP") see the replacement too.
    if (serverInfo_.Get().ip == "0.0.0.0") serverInfo_.SetIp("127.0.0.1");
    const ServerAddress server = serverInfo_.Get();
    const std::string baseUrl = "http://" + server.ip + ":" + server.port;
    const bool initialised = core_.Initialize(baseUrl, server.key, ReadNumber(ReadAccount()));
    dialogs_.ShowMessage(Utf8ToCp936(initialised ? "初始化成功！" : "初始化失败！"), "");
}

void AccountManager::Disable() { core_.StopPolling(); }

void AccountManager::SendFriendText(std::string_view qqText, const std::string& text) {
    const std::int64_t qq = ReadNumber(qqText);
    MessageChain chain;
    chain.AddPlain(text);
    Report("Friend message", qq, core_.GetFriend(qq).SendFriendMessage(chain));
}

void AccountManager::SendGroupText(std::string_view groupText, const std::string& text) {
    const std::int64_t group = ReadNumber(groupText);
    MessageChain chain;
    chain.AddPlain(text);
    Report("Group message", group, core_.GetGroup(group).SendGroupMessage(chain));
}

void AccountManager::SendFriendImage(std::string_view qqText, const std::string& imageUrl) {
    const std::int64_t qq = ReadNumber(qqText);
    MessageChain chain;
    chain.AddImageByUrl(imageUrl);
    Report("Friend image", qq, core_.GetFriend(qq).SendFriendMessage(chain));
}

std::int64_t AccountManager::ReadNumber(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    // Accumulated as a negative number so the smallest value fits too.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    bool saturated = false;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        const int digit = text[at] - '0';
        if (value < (kMin + digit) / 10) {
            saturated = true;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative) return saturated ? kMin : value;
    if (saturated || value == kMin) return std::numeric_limits<std::int64_t>::max();
    return -value;
}

std::string AccountManager::ReadAccount() const {
    return ReadProfileString(NativePath(runDirectory_, "\\MConfig\\QQ.vkr"), "QQ", "Account").value_or("");
}

void AccountManager::Report(const char* what, std::int64_t target, const SendResult& result) {
    std::string line = std::string(what) + " to " + std::to_string(target);
    if (result.Succeeded()) {
        line += " sent, messageId " + std::to_string(result.messageId);
        pane_.Append("\r\n[VKR]" + line);
        log_.Write(line);
        return;
    }
    line += " failed, code " + std::to_string(result.code) + ": " + ResultCodeMeaning(result.code);
    pane_.Append("\r\n[WARN]" + line);
    log_.Write(line, kWarn);
}

}  // namespace vkr
