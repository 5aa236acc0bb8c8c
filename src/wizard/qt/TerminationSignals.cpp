#include "TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace synvora {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Written by the handler, read on the user-interface thread. One set of handlers per process.
int g_writeFd = -1;

void NoteSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request: nothing is lost by dropping this one.
    (void)::write(g_writeFd, &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onRequest) : m_onRequest(std::move(onRequest)) {
    if (g_writeFd >= 0) {
        throw std::logic_error("TerminationSignals: one at a time");
    }
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("TerminationSignals: no pipe");
    }
    m_readFd = fds[0];
    g_writeFd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_readFd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { Deliver(); });
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    ::sigemptyset(&action.sa_mask);
    // Interrupted system calls resume: the program's own waits do not expect EINTR from these.
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (const int signal : kSignals) {
        ::sigaction(signal, &standard, nullptr);
    }
    m_notifier.reset();
    ::close(std::exchange(g_writeFd, -1));
    ::close(m_readFd);
}

void TerminationSignals::Deliver() {
    char bytes[64];
    while (::read(m_readFd, bytes, sizeof bytes) > 0) {
    }
    m_onRequest();
}

}  // namespace synvora
