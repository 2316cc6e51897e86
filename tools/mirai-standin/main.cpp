// Mirai Console stand-in: started as `java -cp "./libs/*" <main class>` (the
// arguments are accepted and ignored) or as `java -version`.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tools/mirai-standin/ConsoleOutput.h"
#include "tools/mirai-standin/StandinApp.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "-version") {
            vkr::standin::PrintJavaVersion();
            return 0;
        }
    }
    std::error_code error;
    std::filesystem::path workDir = std::filesystem::current_path(error);
    vkr::standin::ConsoleOutput console(STDOUT_FILENO);
    return vkr::standin::StandinApp(console, workDir).Run();
}
