#include "CopyWorkers.h"

#include <chrono>
#include <memory>
#include <utility>

namespace synvora {
namespace {

// How often a waiting thread calls back when nothing ends meanwhile.
constexpr std::chrono::milliseconds kWaitSlice{100};

}  // namespace

CopyWorkers::CopyWorkers(FileSystem& source, int limit)
    : m_source(source), m_limit(limit), m_inline{source, {}} {}

CopyWorkers::~CopyWorkers() {
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
        m_tasks.clear();
        m_spare = 0;
    }
    m_work.notify_all();
    // No worker starts once the pool ends, so the list no longer grows.
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void CopyWorkers::Submit(Task task) {
    if (Inline()) {
        task(m_inline);
        return;
    }
    Queue(std::move(task), false);
}

void CopyWorkers::SubmitSpare(Task task) {
    if (!Inline()) {
        Queue(std::move(task), true);
    }
}

void CopyWorkers::Queue(Task task, bool spare) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_ending) {
            return;
        }
        m_tasks.push_back({std::move(task), spare});
        m_spare += spare ? 1 : 0;
        StartWorkerIfNeeded();
    }
    m_work.notify_one();
}

// With the mutex held.
void CopyWorkers::StartWorkerIfNeeded() {
    // A worker still opening its session takes a task soon: no further one starts for it.
    const bool waiting = m_tasks.size() - m_spare > m_idle + m_opening;
    const bool allowed =
        m_threads.size() < static_cast<std::size_t>(m_limit) && (m_threads.empty() || !m_noMoreSessions);
    if (waiting && allowed) {
        ++m_running;
        ++m_opening;
        m_threads.emplace_back([this, index = m_threads.size()] { Work(index); });
    }
}

void CopyWorkers::Work(std::size_t index) {
    // The first worker reads through the source itself, which no one else uses meanwhile.
    std::shared_ptr<FileSystem> session;
    if (index > 0) {
        try {
            session = m_source.OpenSession();
        } catch (const std::exception&) {
            // The others carry on; a server that has gone shows in their work.
        }
    }
    std::unique_lock lock(m_mutex);
    --m_opening;
    if (index > 0 && !session) {
        m_noMoreSessions = true;
    } else {
        CopyWorker worker{session ? *session : m_source, {}};
        for (;;) {
            ++m_idle;
            m_work.wait(lock, [this] { return m_ending || !m_tasks.empty(); });
            --m_idle;
            if (m_tasks.empty()) {
                break;
            }
            Task task = std::move(m_tasks.front().task);
            m_spare -= m_tasks.front().spare ? 1 : 0;
            m_tasks.pop_front();
            ++m_inHand;
            StartWorkerIfNeeded();  // more waiting than this one takes
            lock.unlock();
            try {
                task(worker);
            } catch (...) {
                const std::lock_guard failureLock(m_mutex);
                if (!m_taskFailure) {
                    m_taskFailure = std::current_exception();
                }
            }
            task = nullptr;  // what the task holds goes before it counts as ended
            lock.lock();
            --m_inHand;
            ++m_ended;
            m_changed.notify_all();
        }
    }
    --m_running;
    m_changed.notify_all();
    lock.unlock();
    // The session's connection ends here, on the thread that used it.
    session.reset();
}

void CopyWorkers::Wait(const std::function<bool()>& done, const std::function<void()>& whileWaiting) {
    std::unique_lock lock(m_mutex);
    while (!done()) {
        const std::uint64_t ended = m_ended;
        m_changed.wait_for(lock, kWaitSlice, [&] { return m_ended != ended || done(); });
        lock.unlock();
        if (whileWaiting) {
            whileWaiting();
        }
        lock.lock();
    }
    lock.unlock();
    RaiseTaskFailure();
}

void CopyWorkers::WaitForRoom(std::size_t queued, const std::function<void()>& whileWaiting) {
    if (!Inline()) {
        Wait([&] { return m_tasks.size() < queued; }, whileWaiting);
    }
}

void CopyWorkers::WaitUntilDone(const std::function<void()>& whileWaiting) {
    if (!Inline()) {
        Wait([&] { return m_tasks.empty() && m_inHand == 0; }, whileWaiting);
    }
}

void CopyWorkers::DropWaiting() {
    const std::lock_guard lock(m_mutex);
    m_tasks.clear();
    m_spare = 0;
}

void CopyWorkers::Quiesce() noexcept {
    std::unique_lock lock(m_mutex);
    m_tasks.clear();
    m_spare = 0;
    m_changed.wait(lock, [this] { return m_inHand == 0; });
}

int CopyWorkers::Started() const {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_threads.size());
}

void CopyWorkers::RaiseTaskFailure() {
    std::exception_ptr failure;
    {
        const std::lock_guard lock(m_mutex);
        failure = std::exchange(m_taskFailure, nullptr);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace synvora
