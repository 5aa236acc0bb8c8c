#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "FileSystem.h"

namespace synvora {

/// What one worker of a copy reads with: its own way into the source, and its own buffer.
struct CopyWorker {
    FileSystem& source;
    std::vector<char> buffer;
};

/// The threads of a copy between two file systems that keeps several files (or folder listings)
/// in flight, so that the round trips of a slow network overlap. The first worker reads through
/// the source itself, every further one through a session of its own (FileSystem::OpenSession: a
/// share connects once more for it), opened on the worker's thread when it starts. Workers start
/// only while more work waits than the workers idle or still opening their sessions will take,
/// up to the limit, so a small folder opens no connection it does not need; a session that cannot
/// be opened ends its worker and starts no further one, and the others carry on. Sessions are
/// closed, and every worker has ended, when the pool is destroyed.
///
/// The thread that made the pool hands the work out and waits for it (WaitForRoom,
/// WaitUntilDone), calling back meanwhile so that a window stays alive and a watcher hears the
/// progress. With a limit of 1 there are no threads: every task runs at once on the calling thread,
/// through the source itself, as a copy that carries one file at a time.
///
/// Tasks note their own failures; one that raises anyway has its failure raised by the next wait.
class CopyWorkers {
public:
    using Task = std::function<void(CopyWorker&)>;

    CopyWorkers(FileSystem& source, int limit);
    CopyWorkers(const CopyWorkers&) = delete;
    CopyWorkers& operator=(const CopyWorkers&) = delete;
    /// Drops the tasks that wait, lets the workers finish those in hand and joins them.
    ~CopyWorkers();

    bool Inline() const noexcept { return m_limit <= 1; }

    /// Queues the task for a worker, or runs it at once (Inline). Tasks may submit further tasks.
    void Submit(Task task);
    /// Queues a task that only a worker already started takes when it comes free: no worker (and
    /// no connection) is started for it, and a pool that carries one file at a time drops it.
    void SubmitSpare(Task task);
    /// Waits while `queued` tasks or more wait for a worker.
    void WaitForRoom(std::size_t queued, const std::function<void()>& whileWaiting);
    /// Waits until every task submitted has ended.
    void WaitUntilDone(const std::function<void()>& whileWaiting);
    /// Drops the tasks that no worker has taken yet.
    void DropWaiting();
    /// Drops the waiting tasks and waits, calling nothing back, until those in hand have ended:
    /// for a copy that leaves by a failure while its tasks still use what it owns.
    void Quiesce() noexcept;
    /// The workers started so far.
    int Started() const;

private:
    void Queue(Task task, bool spare);
    void StartWorkerIfNeeded();
    void Work(std::size_t index);
    void Wait(const std::function<bool()>& done, const std::function<void()>& whileWaiting);
    void RaiseTaskFailure();

    FileSystem& m_source;
    int m_limit;
    CopyWorker m_inline;
    mutable std::mutex m_mutex;
    std::condition_variable m_work;     // tasks wait, or the pool ends
    std::condition_variable m_changed;  // a task ended, or a worker did
    struct Queued {
        Task task;
        bool spare = false;
    };
    std::deque<Queued> m_tasks;
    std::size_t m_spare = 0;  // queued tasks that start no worker
    std::size_t m_idle = 0;
    std::size_t m_inHand = 0;
    std::size_t m_opening = 0;  // workers started and not yet ready for tasks
    std::size_t m_running = 0;  // workers started and not yet ended
    std::uint64_t m_ended = 0;  // tasks ended so far, to tell a wake-up from a time-out
    bool m_noMoreSessions = false;
    bool m_ending = false;
    std::exception_ptr m_taskFailure;
    std::vector<std::thread> m_threads;
};

}  // namespace synvora
