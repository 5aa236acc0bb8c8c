#include "network/win32/WNetCalls.h"

#include <utility>

namespace synvora {
namespace {

class SystemWNetCalls final : public WNetCalls {
public:
    DWORD UseConnection(NETRESOURCEW& resource, const wchar_t* password, const wchar_t* user, DWORD flags,
                        wchar_t* accessName, DWORD& bufferSize, DWORD& result) override {
        return ::WNetUseConnectionW(nullptr, &resource, password, user, flags, accessName, &bufferSize,
                                    &result);
    }
    DWORD CancelConnection(const wchar_t* name, DWORD flags, BOOL force) override {
        return ::WNetCancelConnection2W(name, flags, force);
    }
};

WNetCalls*& Installed() {
    static SystemWNetCalls system;
    static WNetCalls* installed = &system;
    return installed;
}

}  // namespace

WNetCalls& CurrentWNetCalls() {
    return *Installed();
}

ScopedWNetCalls::ScopedWNetCalls(WNetCalls& calls) : m_previous(std::exchange(Installed(), &calls)) {}

ScopedWNetCalls::~ScopedWNetCalls() {
    Installed() = m_previous;
}

}  // namespace synvora
