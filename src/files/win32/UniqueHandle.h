#pragma once

#include <utility>

#include "files/win32/WindowsApi.h"

namespace synvora {

/// Owns a Windows kernel handle (a file, a folder opened for its identity); closes it on
/// destruction, never throws.
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE handle) noexcept : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_handle, INVALID_HANDLE_VALUE));
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const noexcept { return m_handle; }
    bool Valid() const noexcept { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) noexcept {
        if (Valid()) {
            ::CloseHandle(m_handle);
        }
        m_handle = handle;
    }
    /// Closes now and tells whether the system accepted the close (a late write error shows here).
    bool Close() noexcept { return ::CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)) != FALSE; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

/// Owns a search handle of FindFirstFileExW.
class UniqueFindHandle {
public:
    explicit UniqueFindHandle(HANDLE handle) noexcept : m_handle(handle) {}
    UniqueFindHandle(const UniqueFindHandle&) = delete;
    UniqueFindHandle& operator=(const UniqueFindHandle&) = delete;
    ~UniqueFindHandle() {
        if (Valid()) {
            ::FindClose(m_handle);
        }
    }

    HANDLE Get() const noexcept { return m_handle; }
    bool Valid() const noexcept { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

}  // namespace synvora
