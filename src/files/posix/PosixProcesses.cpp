// Processes of this machine, as the names of temporary files know them.

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "files/TemporaryNames.h"

namespace synvora {

unsigned long long CurrentProcessId() {
    return static_cast<unsigned long long>(::getpid());
}

bool ProcessHasEnded(unsigned long long id) {
    const auto pid = static_cast<pid_t>(id);
    if (id == 0 || static_cast<unsigned long long>(pid) != id || pid == ::getpid()) {
        return false;
    }
    // EPERM: it runs, under another account.
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace synvora
