#pragma once
// Starts, watches and stops Mirai Console behind the console pipe, and reads
// the HTTP API's address, port and key from its output into ServerInfo.
//
// Launch and Stop may run on the UI thread or on the key-rewrite thread; they
// are serialised (a Stop on the UI thread waits for a launch running on the
// other thread, which ends its wait early when that thread is asked to stop).
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>

#include "console/ConsolePaneModel.h"
#include "console/ConsolePipe.h"
#include "console/ConsoleReader.h"
#include "console/ConsoleServices.h"
#include "console/ServerInfo.h"
#include "console/ServerInfoScanner.h"

namespace vkr {

class ConsoleHost {
public:
    // The POSIX launch line: exec replaces the shell, so once Mirai ends no
    // typed line is run as a shell command; the " #" puts the "\r" that
    // WriteLine adds into a comment instead of the class name.
    static constexpr const char* kLaunchScript =
        "exec java -cp \"./libs/*\" net.mamoe.mirai.console.terminal.MiraiConsoleTerminalLoader #";
    static constexpr const char* kInterpreter = "/bin/sh";
    static constexpr int kStartupWaitMs = 3000;
    // What both the Windows and the Linux wording of the bind failure share.
    static constexpr const char* kBindFailure = "E/Mirai HTTP API: java.net.BindException: Address already in use";

    // shutdownCore: the API client's Shutdown, run first by every stop; may be empty.
    ConsoleHost(ConsolePipe& pipe, ServerInfo& serverInfo, ConsoleServices services,
                std::function<void()> shutdownCore = {});
    ~ConsoleHost();  // stops the reader; the pipe's child is left to the close steps
    ConsoleHost(const ConsoleHost&) = delete;
    ConsoleHost& operator=(const ConsoleHost&) = delete;

    // The launch sequence. A Mirai still running from an earlier launch is
    // stopped first. stop: on a worker thread, ends the 3000 ms wait early when
    // requested (the UI thread passes none and serves window events instead).
    void Launch(std::stop_token stop = {});
    // The stop sequence: the core's Shutdown, the reader, the pipe, each
    // followed by its NOTICE line. Harmless when nothing runs.
    void Stop();

    // Writes a typed line to Mirai's standard input ("\r\n" added); false
    // when nothing runs to receive it.
    bool SendLine(std::string line);

    ServerAddress Server() const { return serverInfo_.Get(); }

private:
    void WaitForMirai(const std::stop_token& stop);
    void ReadServerInformation();
    void WarnOnBindFailure(const std::stop_token& stop);
    void WatchOutput();
    void StopWatchingOutput();
    void OnPaneChange(const PaneChange& change);
    void PublishLateValues();

    ConsolePipe& pipe_;
    ServerInfo& serverInfo_;
    ConsoleServices services_;
    std::function<void()> shutdownCore_;
    ConsoleReader reader_;
    std::recursive_mutex sequenceMutex_;  // Launch and Stop, which may nest on the UI thread
    bool launched_ = false;

    // Output watched since the current launch, for values that arrive after
    // the wait. Locked inside the pane's lock (watcher), never the reverse.
    std::mutex lateMutex_;
    ServerInfoScanner scanner_;
    bool waitingForLateValues_ = false;
    int watcherId_ = 0;
};

}  // namespace vkr
