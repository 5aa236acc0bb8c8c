#pragma once

// The launch probe's reach into its system (posix/, win32/LaunchProbeSystem.cpp), which also holds
// its main.

#include <string>
#include <utility>
#include <vector>

namespace synvora::probe {

/// Facts of the start as "key", "value": always "exe" (the program's own file) and "pid"; on
/// Linux also where the standard descriptors lead, what reading standard input gives, and how
/// many other descriptors came along. Taken before the probe opens anything.
std::vector<std::pair<std::string, std::string>> StartFacts();

/// Makes the probe deaf to requests to end, where the system has such requests.
void IgnoreEndRequests();

/// Ends the probe by the signal, where the system has signals.
void EndBySignal(int signal);

/// The probe itself, on its arguments (UTF-8); returns the exit code.
int RunProbe(const std::vector<std::string>& args);

}  // namespace synvora::probe
