// The client's files and standard streams on Windows: file handles, bytes as they are (no text
// mode of the C runtime in between).

#include "ClientStreams.h"

#include <algorithm>

#include "files/win32/UniqueHandle.h"
#include "files/win32/WideText.h"
#include "files/win32/Win32Errors.h"
#include "files/win32/Win32Io.h"
#include "files/win32/WindowsApi.h"

namespace synvora::osql {
namespace {

constexpr DWORD kLargestPiece = DWORD{1} << 30;

class HandleStream final : public ByteStream {
public:
    HandleStream(UniqueHandle owned, HANDLE handle) : m_owned(std::move(owned)), m_handle(handle) {}

    std::size_t Read(std::span<char> buffer) override {
        DWORD got = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), kLargestPiece));
        if (!::ReadFile(m_handle, buffer.data(), wanted, &got, nullptr)) {
            const DWORD error = ::GetLastError();
            // The writing end of a pipe closed: the end of the input.
            if (error == ERROR_BROKEN_PIPE) {
                return 0;
            }
            ThrowWin32Error(error);
        }
        return got;
    }

    void WriteAll(std::string_view bytes) override { synvora::WriteAll(m_handle, bytes); }

    std::optional<std::uint64_t> FileSize() override {
        LARGE_INTEGER size{};
        if (::GetFileType(m_handle) != FILE_TYPE_DISK || !::GetFileSizeEx(m_handle, &size)) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(size.QuadPart);
    }

private:
    UniqueHandle m_owned;
    HANDLE m_handle;
};

std::unique_ptr<ByteStream> Standard(DWORD which) {
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        ThrowWin32Error(ERROR_INVALID_HANDLE);
    }
    return std::make_unique<HandleStream>(UniqueHandle(), handle);
}

}  // namespace

std::unique_ptr<ByteStream> OpenInputFile(const std::string& path) {
    UniqueHandle file = OpenOrThrow(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN);
    const HANDLE handle = file.Get();
    return std::make_unique<HandleStream>(std::move(file), handle);
}

std::unique_ptr<ByteStream> CreateOutputFile(const std::string& path) {
    UniqueHandle file = OpenOrThrow(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
    const HANDLE handle = file.Get();
    return std::make_unique<HandleStream>(std::move(file), handle);
}

std::unique_ptr<ByteStream> StandardInput() {
    return Standard(STD_INPUT_HANDLE);
}

std::unique_ptr<ByteStream> StandardOutput() {
    return Standard(STD_OUTPUT_HANDLE);
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const std::wstring wideName = Utf8ToWide(name);
    const DWORD needed = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (needed == 0) {
        return ::GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt : std::optional<std::string>("");
    }
    std::wstring value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
    value.resize(length < needed ? length : 0);
    return WideToUtf8(value);
}

}  // namespace synvora::osql
