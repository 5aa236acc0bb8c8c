#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace synvora {

/// The thread on which every call into libsmbclient for one connection runs. A context of the
/// library may be used by one thread only, and a call into it blocks until the server answers: on
/// a thread of its own, the calls keep to one thread, and the thread that waits for them (the
/// user-interface thread, or a worker of a copy) can keep its window alive meanwhile and cut a
/// call off that waits too long. SIGPIPE is blocked on it: the library writes to sockets that
/// the server may have closed.
class LibraryThread {
public:
    /// How a caller waits: `whileWaiting` is called about ten times a second until the call has
    /// returned; `overdue` once when it has not returned after `limit`.
    struct Wait {
        std::chrono::milliseconds limit;
        std::function<void()> whileWaiting;
        std::function<void()> overdue;
    };

    LibraryThread();
    LibraryThread(const LibraryThread&) = delete;
    LibraryThread& operator=(const LibraryThread&) = delete;
    ~LibraryThread();

    /// Runs the call on the library's thread and returns its result, or raises what it raised.
    /// Called on the library's thread itself (from inside a call), it runs at once.
    template <typename Call>
    auto Run(Call&& call, const Wait& wait) -> std::invoke_result_t<Call&> {
        using Result = std::invoke_result_t<Call&>;
        if (std::this_thread::get_id() == m_thread.get_id()) {
            return call();
        }
        if constexpr (std::is_void_v<Result>) {
            RunTask(call, wait);
        } else {
            std::optional<Result> result;
            RunTask([&] { result.emplace(call()); }, wait);
            return std::move(*result);
        }
    }

private:
    void Loop();
    void RunTask(const std::function<void()>& task, const Wait& wait);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
    bool m_ending = false;
    std::thread m_thread;  // last: started once the rest is ready
};

}  // namespace synvora
