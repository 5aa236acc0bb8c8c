#pragma once

#include "files/win32/WindowsApi.h"

namespace synvora {

/// The two calls of the system's networking (mpr.dll) that the network drive makes, as the
/// system declares them less the owner window, which only an interactive connection uses.
/// The system's calls serve the program; a test may put a double in their place (ScopedWNetCalls),
/// since nothing but a Windows network can answer them.
class WNetCalls {
public:
    virtual ~WNetCalls() = default;

    /// WNetUseConnectionW.
    virtual DWORD UseConnection(NETRESOURCEW& resource, const wchar_t* password, const wchar_t* user,
                                DWORD flags, wchar_t* accessName, DWORD& bufferSize, DWORD& result) = 0;
    /// WNetCancelConnection2W.
    virtual DWORD CancelConnection(const wchar_t* name, DWORD flags, BOOL force) = 0;
};

/// The calls the network drive makes now: the system's, unless a ScopedWNetCalls is alive.
WNetCalls& CurrentWNetCalls();

/// For its lifetime the network drive makes its calls on `calls`. For tests; not nested.
class ScopedWNetCalls {
public:
    explicit ScopedWNetCalls(WNetCalls& calls);
    ScopedWNetCalls(const ScopedWNetCalls&) = delete;
    ScopedWNetCalls& operator=(const ScopedWNetCalls&) = delete;
    ~ScopedWNetCalls();

private:
    WNetCalls* m_previous;
};

}  // namespace synvora
