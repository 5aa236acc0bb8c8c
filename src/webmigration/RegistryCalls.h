#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace synvora {

/// A registry key handle as the Windows calls hand it out: 32 bits, the predefined roots
/// (kHKeyLocalMachine in Registry.h) included.
using RegistryHandle = std::uint32_t;

/// Status codes of the registry calls (Windows system error numbers).
inline constexpr std::int32_t kRegistrySuccess = 0;
inline constexpr std::int32_t kRegistryNotFound = 2;
inline constexpr std::int32_t kRegistryAccessDenied = 5;
inline constexpr std::int32_t kRegistryInvalidHandle = 6;
inline constexpr std::int32_t kRegistryMoreData = 234;
// Failures of another machine's registry.
inline constexpr std::int32_t kRegistryBadNetPath = 53;
inline constexpr std::int32_t kRegistryBadNetName = 67;
inline constexpr std::int32_t kRegistryInvalidParameter = 87;
inline constexpr std::int32_t kRegistryTimeout = 121;
inline constexpr std::int32_t kRegistryConnectionRefused = 1225;
inline constexpr std::int32_t kRegistryNetworkUnreachable = 1231;
inline constexpr std::int32_t kRegistryHostUnreachable = 1232;
inline constexpr std::int32_t kRegistryLogonFailure = 1326;
inline constexpr std::int32_t kRegistryServerUnavailable = 1722;

/// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

/// Access right of every open of the program.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;

/// The text of names and string data at the registry calls, as the platform's calls take it: on
/// Windows the UTF-16 of the wide calls (two bytes a character, so every character survives), on
/// Linux the ANSI code page of the calls its stand-ins follow (one byte a character, "?" for a
/// character the code page lacks). Buffers hold characters of this text, so a buffer of 1024
/// characters is 1024 such characters on either system. Platform layer.
std::string ToRegistryText(std::string_view utf8);
/// Back to UTF-8; a last character that is cut in half is dropped.
std::string FromRegistryText(std::string_view text);
/// The bytes of one character of registry text: 2 on Windows, 1 on Linux.
extern const std::size_t kRegistryCharacterBytes;

/// What the Registry module needs of the Windows registry: the open, query and close calls.
/// Names and string data are registry text (ToRegistryText); a name ends at its first NUL, as a C
/// string does. One implementation per platform serves this machine's registry (LocalRegistry);
/// another machine's registry adds the connection to it (RemoteRegistryCalls).
class RegistryCalls {
public:
    virtual ~RegistryCalls() = default;

    /// Opens subKey (backslash-separated, relative; "" opens the key itself again) below an open
    /// key or a predefined root. On success result holds the new handle.
    virtual std::int32_t OpenKey(RegistryHandle key, std::string_view subKey, std::uint32_t options,
                                 std::uint32_t desiredAccess, RegistryHandle& result) = 0;

    /// Copies the data of a value ("" names the key's default value) into data, whose capacity
    /// is size bytes on entry. On return type holds the value's type and size the bytes copied
    /// (a string's terminating NUL included), or, with kRegistryMoreData, the bytes needed; data
    /// may be null to ask for the size only.
    virtual std::int32_t QueryValue(RegistryHandle key, std::string_view valueName, std::uint32_t& type,
                                    char* data, std::uint32_t& size) = 0;

    /// Releases a handle from OpenKey.
    virtual std::int32_t CloseKey(RegistryHandle key) = 0;
};

/// The registry of other machines: the calls above, plus the connection to a machine's predefined
/// root. Keys opened below a connected root are that machine's.
class RemoteRegistryCalls : public RegistryCalls {
public:
    /// Connects to `root` of the machine named as "\\name" (registry text). On success result
    /// holds a handle of that root, which CloseKey releases.
    virtual std::int32_t ConnectRegistry(std::string_view machineName, RegistryHandle root,
                                         RegistryHandle& result) = 0;
};

/// This machine's registry for the whole program. Platform layer: the registry API on Windows
/// (webmigration/win32/Win32Registry.h); on Linux a ".reg" export file stands in for it
/// (webmigration/posix/FileRegistry.h).
RegistryCalls& LocalRegistry();

/// Other machines' registries, as the program reads them: on Windows the registry API's own
/// connection (the session of the drive mapped to that machine carries the login); on Linux
/// Samba's `net`, with the login of the program's network drive to that machine
/// (webmigration/posix/NetRegistry.h). Platform layer.
std::shared_ptr<RemoteRegistryCalls> SystemRemoteRegistry();

}  // namespace synvora
