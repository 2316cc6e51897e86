#include "console/PortRepair.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/ProcessList.h"
#include "tests/console/ConsoleHostFixture.h"

namespace vkr {
namespace {

// A process started through a double fork, so its parent is not this test
// (as with a leftover of an earlier run, or another user's program). Its
// standard input is a pipe the test holds; its output goes to outputWriteEnd
// or /dev/null. Ended (if still there) when the object goes.
class DetachedProcess {
public:
    DetachedProcess(const std::filesystem::path& program, std::vector<std::string> args,
                    const std::filesystem::path& folder, int outputWriteEnd = -1) {
        int ready[2];
        int input[2];
        if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(input, O_CLOEXEC) != 0) return;
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const std::string programPath = program.string();
        const std::string folderPath = folder.string();
        pid_t middle = fork();
        if (middle == 0) {
            setsid();
            pid_t inner = fork();
            if (inner == 0) {
                int null = open("/dev/null", O_WRONLY);
                int output = outputWriteEnd >= 0 ? outputWriteEnd : null;
                if (chdir(folderPath.c_str()) != 0) _exit(126);
                dup2(input[0], 0);
                dup2(output, 1);
                dup2(output, 2);
                execv(programPath.c_str(), argv.data());
                _exit(127);
            }
            (void)!write(ready[1], &inner, sizeof inner);
            _exit(0);
        }
        close(ready[1]);
        close(input[0]);
        waitpid(middle, nullptr, 0);
        pid_t inner = 0;
        if (read(ready[0], &inner, sizeof inner) == static_cast<ssize_t>(sizeof inner)) pid_ = inner;
        char none;
        // End of file once the program runs: exec closed the inner copy of the pipe.
        while (read(ready[0], &none, 1) > 0) {
        }
        close(ready[0]);
        inputWriteEnd_ = input[1];
    }
    ~DetachedProcess() {
        if (pid_ > 0) EndProcess(pid_);
        if (inputWriteEnd_ >= 0) close(inputWriteEnd_);
    }
    int pid() const { return pid_; }
    bool IsAlive() const {
        for (const ProcessEntry& entry : ListProcesses()) {
            if (entry.pid == pid_) return true;
        }
        return false;
    }

private:
    int pid_ = 0;
    int inputWriteEnd_ = -1;
};

// The kernel keeps 15 bytes of a name; a longer one is still found whole.
TEST(ProcessList, FindsByNameWhateverTheCaseAndEndsTheProcess) {
    TempDir folder;
    std::filesystem::create_symlink("/bin/sleep", folder.path() / "VkrSleeper");
    std::filesystem::create_symlink("/bin/sleep", folder.path() / "vkr-sleeper-with-a-long-name");
    DetachedProcess mixedCase(folder.path() / "VkrSleeper", {"VkrSleeper", "60"}, folder.path());
    DetachedProcess longName(folder.path() / "vkr-sleeper-with-a-long-name",
                             {(folder.path() / "vkr-sleeper-with-a-long-name").string(), "60"}, folder.path());
    ASSERT_GT(mixedCase.pid(), 0);

    EXPECT_EQ(FindProcessId("vkrsleeper"), mixedCase.pid());
    EXPECT_EQ(FindProcessId("VKRSLEEPER", false), mixedCase.pid());
    EXPECT_EQ(FindProcessId("vkrsleeper", true), 0);
    EXPECT_EQ(FindProcessId("VkrSleeper", true), mixedCase.pid());
    EXPECT_EQ(FindProcessId("vkr-sleeper-with-a-long-name"), longName.pid());
    EXPECT_EQ(FindProcessId("vkrsleeper", false, [](const ProcessEntry&) { return false; }), 0);
    EXPECT_EQ(ProcessWorkingDirectory(mixedCase.pid()), std::filesystem::canonical(folder.path()));
    EXPECT_FALSE(DescendsFrom(mixedCase.pid(), getpid()));

    EXPECT_TRUE(EndProcess(mixedCase.pid()));
    EXPECT_EQ(FindProcessId("vkrsleeper"), 0) << "an ended process is not found again";
    EXPECT_FALSE(EndProcess(0));
    EXPECT_FALSE(EndProcess(-1));
}

class PortRepairTest : public fixture::ConsoleHostFixture {};

// A stand-in left running in the run directory holds the port: the launch
// says so, and the repair ends it (and nothing outside the run directory)
// and relaunches with the HTTP API up.
TEST_F(PortRepairTest, EndsTheLeftoverHoldingThePortAndRelaunches) {
    if (!InstallStandin()) GTEST_SKIP() << "the Mirai stand-in was not built";
    const int port = FreePort();
    fixture::WriteText(fixture::SettingsFile(runDir_), fixture::SettingsText(port, "RepairKey1234"));

    int output[2];
    ASSERT_EQ(pipe2(output, O_CLOEXEC), 0);
    DetachedProcess leftover(binDir_ / "java", {"java", "-cp", "./libs/*", "Loader"}, runDir_, output[1]);
    close(output[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t got; said.find("mirai-console started successfully.") == std::string::npos &&
                      (got = read(output[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<size_t>(got));
    }
    ASSERT_EQ(said.find("BindException"), std::string::npos) << "the leftover holds the port";

    std::filesystem::path elsewhere = runRoot_.path() / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    std::filesystem::create_symlink("/bin/sleep", elsewhere / "java");
    DetachedProcess stranger(elsewhere / "java", {"java", "60"}, elsewhere);

    host_->Launch();
    ASSERT_EQ(dialogs_.Messages().size(), 1u) << pane_.Text();

    PortRepair repair(*host_, Services());
    repair.Run();

    EXPECT_FALSE(leftover.IsAlive());
    EXPECT_TRUE(stranger.IsAlive());
    EXPECT_EQ(dialogs_.Messages().size(), 1u) << "the relaunch binds the port";
    EXPECT_EQ(fixture::JavaProcessesIn(runDir_).size(), 1u);
    EXPECT_EQ(host_->Server().port, std::to_string(port));
    EXPECT_EQ(pane_.Text().rfind("\r\n[VKR]VKR Start...", 0), 0u) << "the relaunch emptied the pane";

    const std::string log = TodaysLog();
    size_t at = log.find("#WARN#E/Mirai HTTP API: java.net.BindException: Address already in use: bind");
    for (const char* line : {"#NOTICE#Edited new ServerKey", "#NOTICE#pipe has been closed.", "#INFO#vkr started.",
                             "#INFO#VKR restarted", "#INFO#Refresh new ServerKey"}) {
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " in order in\n" << log;
    }
    close(output[0]);
}

TEST_F(PortRepairTest, WithNothingToEndItStillClearsReportsAndRelaunches) {
    InstallJavaScript("cat");
    pane_.Append("\r\nold output");
    std::vector<std::string> paneSeen;
    PortRepair repair(*host_, Services());

    int watcher = pane_.AddWatcher([&](const PaneChange& change) { paneSeen.push_back(change.text); });
    repair.Run();
    pane_.RemoveWatcher(watcher);

    ASSERT_GE(paneSeen.size(), 4u);
    EXPECT_EQ(paneSeen[0], "\r\n[VKR]VKR is fixing the httpapi");
    EXPECT_EQ(paneSeen[1], "");
    EXPECT_EQ(paneSeen[2], "\r\n[VKR]httpapi is fixed");
    EXPECT_EQ(paneSeen[3], "\r\n[VKR]Reload VKR...");
    EXPECT_EQ(fixture::JavaProcessesIn(runDir_).size(), 1u);
    EXPECT_NE(TodaysLog().find("#INFO#Refresh new ServerKey"), std::string::npos);
}

}  // namespace
}  // namespace vkr
