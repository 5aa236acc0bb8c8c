// Processes of this machine, as the names of temporary files know them.

#include "files/TemporaryNames.h"
#include "files/win32/UniqueHandle.h"
#include "files/win32/WindowsApi.h"

namespace synvora {

unsigned long long CurrentProcessId() {
    return ::GetCurrentProcessId();
}

bool ProcessHasEnded(unsigned long long id) {
    const auto pid = static_cast<DWORD>(id);
    if (id == 0 || static_cast<unsigned long long>(pid) != id || pid == ::GetCurrentProcessId()) {
        return false;
    }
    const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process.Valid()) {
        // No process has that id; access denied means it runs under another account.
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    }
    // A process that has ended but whose handle someone still holds is still found: its exit code
    // tells. One that ended with the code 259 itself is taken as running, which keeps its file.
    DWORD exitCode = 0;
    return ::GetExitCodeProcess(process.Get(), &exitCode) && exitCode != STILL_ACTIVE;
}

}  // namespace synvora
