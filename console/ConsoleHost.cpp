#include "console/ConsoleHost.h"

#include <chrono>
#include <condition_variable>

#include "console/ConsolePaneModel.h"
#include "console/ConsoleView.h"
#include "log/LogWriter.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/DialogService.h"
#include "platform/EventPump.h"

namespace vkr {
namespace {

constexpr int kNotice = 2;
constexpr int kWarn = 3;

constexpr const char* kCreatingLine = "\r\n[VKR]Creating Mirai Core as well as Velkorin-Core...";
constexpr const char* kLateAddressWarning =
    "\r\n[WARN]Mirai has not reported the HTTP API's address yet. VKR will pick it up as soon as it appears.";
// Message boxes speak Chinese; the source holds them as UTF-8.
const char* const kBindMessage = "HTTP-api运行异常，已存在运行的端口，疑似为多开\r\n输入vkr fixhttp尝试修复问题";
const char* const kBindTitle = "警告---无法运行";
constexpr const char* kBindLogLine = "E/Mirai HTTP API: java.net.BindException: Address already in use: bind";

// Sleeps until the deadline or until stop is requested, whichever comes first.
void SleepUnlessStopped(const std::stop_token& stop, int milliseconds) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, std::chrono::milliseconds(milliseconds), [] { return false; });
}

}  // namespace

ConsoleHost::ConsoleHost(ConsolePipe& pipe, ServerInfo& serverInfo, ConsoleServices services,
                         std::function<void()> shutdownCore)
    : pipe_(pipe),
      serverInfo_(serverInfo),
      services_(services),
      shutdownCore_(std::move(shutdownCore)),
      reader_(pipe, services.pane) {}

ConsoleHost::~ConsoleHost() {
    reader_.Stop();
    StopWatchingOutput();
}

void ConsoleHost::Launch(std::stop_token stop) {
    std::lock_guard sequence(sequenceMutex_);
    if (launched_ && pipe_.IsRunning()) Stop();
    services_.pane.Append(kCreatingLine);
    services_.view.SetCommandBoxEnabled(false);
    services_.log.Write("vkr started.");
    services_.log.Write("creating process...", kNotice);
    reader_.Stop();  // a reader left from a Mirai that ended by itself
    pipe_.Start(kInterpreter);
    launched_ = true;
    services_.pane.Replace("");
    WatchOutput();
    reader_.Start();
    services_.pane.Append("\r\n[VKR]VKR Start...");
    services_.pane.Append(kCreatingLine);
    services_.log.Write("Loading Mirai");
    std::string script = kLaunchScript;
    pipe_.WriteLine(script);
    WaitForMirai(stop);
    ReadServerInformation();
    services_.pane.Append("\r\n[VKR]VKR started.Listening to the more command...");
    services_.pane.Append(
        "\r\n[VKR]VKR is aiming to build a more environment for developer to focus on their fuction and "
        "this program is just a tool.");
    WarnOnBindFailure(stop);
    services_.view.SetCommandBoxEnabled(true);
}

void ConsoleHost::Stop() {
    std::lock_guard sequence(sequenceMutex_);
    if (shutdownCore_) {
        try {
            shutdownCore_();
        } catch (...) {
            // A failing core must not keep Mirai running; the stop goes on.
        }
    }
    services_.log.Write("Mirai Core has been closed", kNotice);
    reader_.Stop();
    StopWatchingOutput();
    services_.log.Write("VKR-Core has been closed", kNotice);
    pipe_.Close();
    launched_ = false;
    services_.log.Write("pipe has been closed.", kNotice);
}

bool ConsoleHost::SendLine(std::string line) {
    return pipe_.WriteLine(line);
}

// Measured on the tick count; the UI thread keeps serving its window events
// meanwhile, a worker thread just sleeps (and wakes early when asked to stop).
void ConsoleHost::WaitForMirai(const std::stop_token& stop) {
    const uint64_t start = TickCount();
    while (!stop.stop_requested()) {
        const uint64_t elapsed = TickCount() - start;
        if (elapsed >= static_cast<uint64_t>(kStartupWaitMs)) return;
        const int remaining = kStartupWaitMs - static_cast<int>(elapsed);
        if (stop.stop_possible()) {
            SleepUnlessStopped(stop, remaining);
        } else {
            services_.pump.ServePendingEvents(remaining);
        }
    }
}

// The pane was emptied before the reader started, so the first occurrences
// are this launch's. Without the start line the triple is published as far as
// it is known, and the watcher completes it when the lines arrive.
void ConsoleHost::ReadServerInformation() {
    const std::string text = services_.pane.Text();
    const bool addressSeen = HasAddressLine(text);
    {
        std::lock_guard lock(lateMutex_);
        serverInfo_.Set(ReadServerAddress(text));
        waitingForLateValues_ = !addressSeen;
        if (waitingForLateValues_) PublishLateValues();
    }
    if (!addressSeen) services_.pane.Append(kLateAddressWarning);
}

// Checked once, after the wait: a bind failure printed later stays visible in
// the pane but raises no message box. A launch asked to stop (the program is
// closing) shows no box: the UI thread may be waiting for this one.
void ConsoleHost::WarnOnBindFailure(const std::stop_token& stop) {
    if (services_.pane.Find(kBindFailure) == std::string::npos) return;
    if (!stop.stop_requested()) services_.dialogs.ShowMessage(Utf8ToCp936(kBindMessage), Utf8ToCp936(kBindTitle));
    services_.log.Write(kBindLogLine, kWarn);
}

void ConsoleHost::WatchOutput() {
    StopWatchingOutput();
    {
        std::lock_guard lock(lateMutex_);
        scanner_ = ServerInfoScanner();
        waitingForLateValues_ = false;
    }
    watcherId_ = services_.pane.AddWatcher([this](const PaneChange& change) { OnPaneChange(change); });
}

void ConsoleHost::StopWatchingOutput() {
    if (watcherId_ == 0) return;
    services_.pane.RemoveWatcher(watcherId_);
    watcherId_ = 0;
}

void ConsoleHost::OnPaneChange(const PaneChange& change) {
    if (change.kind != PaneChange::Kind::Appended) return;
    std::lock_guard lock(lateMutex_);
    if (scanner_.HasAddress() && scanner_.HasKey()) return;
    scanner_.Feed(change.text);
    if (waitingForLateValues_) PublishLateValues();
}

// Caller holds lateMutex_.
void ConsoleHost::PublishLateValues() {
    if (!scanner_.HasAddress()) return;
    HostAndPort address = scanner_.Address();
    serverInfo_.Set({std::move(address.ip), std::move(address.port), scanner_.Key()});
    if (scanner_.HasKey()) waitingForLateValues_ = false;
}

}  // namespace vkr
