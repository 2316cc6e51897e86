#pragma once
#include <string>

namespace vkr {

class EventPump;

// Runs command through "/bin/sh -c" (standard input /dev/null) and returns
// everything it wrote to standard output and standard error until it ended,
// as CP936 text. Waits on the output with a short timeout and serves pending
// window events between waits, so a window stays responsive without a busy
// loop. "" when the command could not be started.
// RunAndCapture("java -version", pump) => "openjdk version \"15.0.2\" ...".
std::string RunAndCapture(const std::string& command, EventPump& pump);

}  // namespace vkr
