#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace synvora {

/// How a program run with RunCapturingOutput ended and what it wrote.
struct CapturedRun {
    /// The wait status (see waitpid); when the time limit ended the program, that of its kill.
    int waitStatus = 0;
    /// True when the program was still running at the time limit and was ended then.
    bool timedOut = false;
    std::string output;
    std::string errors;
};

/// Starts a program file without a shell (the first word is the name it sees as its own), with
/// exactly the given environment, standard input from /dev/null and both output streams
/// captured, and waits for its end, but no longer than `limit`: a program still running then is
/// killed, as it is when this process ends. Each stream keeps its first kMaxCapturedBytes; the
/// rest is read and dropped, so that a talkative program neither blocks nor takes the memory.
/// Raises MigrationError (a platform error) when the program cannot be started.
CapturedRun RunCapturingOutput(const std::string& programFile, const std::vector<std::string>& words,
                               const std::vector<std::string>& environment, std::chrono::milliseconds limit);

inline constexpr std::size_t kMaxCapturedBytes = 1u << 20;

}  // namespace synvora
