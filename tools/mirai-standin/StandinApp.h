#pragma once
// The console's life: start lines, settings, the HTTP server, the command loop
// on standard input, and a clean stop on "stop", end of input or SIGTERM.
#include <filesystem>

namespace vkr::standin {

class ConsoleOutput;

class StandinApp {
public:
    StandinApp(ConsoleOutput& console, std::filesystem::path workDir);
    // Returns the exit code (0 for every clean stop).
    int Run();

private:
    ConsoleOutput& console_;
    std::filesystem::path workDir_;
};

// Prints the "java -version" block to standard error.
void PrintJavaVersion();

}  // namespace vkr::standin
