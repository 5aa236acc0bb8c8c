#include "network/smb/LibraryThread.h"

#include <signal.h>

namespace synvora {
namespace {

constexpr std::chrono::milliseconds kWaitSlice{100};

}  // namespace

LibraryThread::LibraryThread() : m_thread([this] { Loop(); }) {}

LibraryThread::~LibraryThread() {
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void LibraryThread::Loop() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_ending || !m_tasks.empty(); });
        if (m_tasks.empty()) {
            return;
        }
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

void LibraryThread::RunTask(const std::function<void()>& task, const Wait& wait) {
    bool done = false;
    std::exception_ptr failure;
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.emplace_back([&] {
            try {
                task();
            } catch (...) {
                failure = std::current_exception();
            }
            const std::lock_guard doneLock(m_mutex);
            done = true;
            m_changed.notify_all();
        });
    }
    m_changed.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + wait.limit;
    bool overdue = false;
    std::unique_lock lock(m_mutex);
    while (!m_changed.wait_for(lock, kWaitSlice, [&] { return done; })) {
        lock.unlock();
        if (!overdue && std::chrono::steady_clock::now() >= deadline) {
            overdue = true;
            if (wait.overdue) {
                wait.overdue();
            }
        }
        if (wait.whileWaiting) {
            wait.whileWaiting();
        }
        lock.lock();
    }
    lock.unlock();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace synvora
