#include "CapturedRun.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

#include "ChildProcess.h"
#include "files/PlatformErrors.h"
#include "files/posix/UniqueFd.h"

namespace synvora {
namespace {

using Clock = std::chrono::steady_clock;

/// A pipe whose ends are close-on-exec: the child gets its write end only as a standard stream.
struct Pipe {
    Pipe() {
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            ThrowPlatformError(errno);
        }
        readEnd.Reset(fds[0]);
        writeEnd.Reset(fds[1]);
    }
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

/// One captured stream: its read end, until the end of the stream closes it.
struct Stream {
    UniqueFd fd;
    std::string* text;

    /// Reads once what is there; closes the stream at its end or on a read error. False when
    /// nothing was read.
    bool ReadAvailable() {
        std::array<char, 16384> buffer{};
        const ssize_t count = ::read(fd.Get(), buffer.data(), buffer.size());
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
            return false;
        }
        if (count <= 0) {
            fd.Reset();
            return false;
        }
        const auto room = kMaxCapturedBytes - text->size();
        text->append(buffer.data(), std::min(room, static_cast<std::size_t>(count)));
        return true;
    }

    /// After the program has ended: what is left in the pipe, without waiting for a grandchild
    /// that may still hold its write end.
    void Drain() {
        if (fd.Valid() && ::fcntl(fd.Get(), F_SETFL, O_NONBLOCK) == 0) {
            while (ReadAvailable()) {
            }
        }
        fd.Reset();
    }
};

int Milliseconds(Clock::duration duration) {
    const auto count = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    return static_cast<int>(std::clamp<decltype(count)>(count, 0, 60'000));
}

}  // namespace

CapturedRun RunCapturingOutput(const std::string& programFile, const std::vector<std::string>& words,
                               const std::vector<std::string>& environment, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    CapturedRun run;
    Pipe output;
    Pipe errors;
    // A helper asked for an answer is of no use once this program has gone.
    ChildProcess child = ChildProcess::Start(
        programFile, words, {environment, true, output.writeEnd.Get(), errors.writeEnd.Get(), true});
    output.writeEnd.Reset();
    errors.writeEnd.Reset();
    // Without it (an old kernel) the end is looked for every so often.
    const UniqueFd exit = child.ExitDescriptor();
    const Clock::duration longestPause = exit.Valid() ? limit : std::chrono::milliseconds(50);
    std::array<Stream, 2> streams{Stream{std::move(output.readEnd), &run.output},
                                  Stream{std::move(errors.readEnd), &run.errors}};

    for (;;) {
        if (const std::optional<int> status = child.TryWait()) {
            for (Stream& stream : streams) {
                stream.Drain();
            }
            run.waitStatus = *status;
            return run;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            run.timedOut = true;
            run.waitStatus = child.Kill();
            return run;
        }
        // Closed streams and a missing exit descriptor are -1, which poll skips.
        std::array<pollfd, 3> watched{pollfd{exit.Get(), POLLIN, 0}, pollfd{streams[0].fd.Get(), POLLIN, 0},
                                      pollfd{streams[1].fd.Get(), POLLIN, 0}};
        if (::poll(watched.data(), watched.size(), Milliseconds(std::min(deadline - now, longestPause))) <
                0 &&
            errno != EINTR) {
            ThrowPlatformError(errno);
        }
        for (std::size_t i = 0; i < streams.size(); ++i) {
            if (watched[i + 1].revents != 0) {
                streams[i].ReadAvailable();
            }
        }
    }
}

}  // namespace synvora
