#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "network/NetworkCredentials.h"

namespace synvora {

/// Connects the share "\\server\share" (the server may carry ":port" on Linux) to a free drive
/// letter: on Windows the system chooses it (WNetUseConnectionW with CONNECT_REDIRECT; Z: first)
/// and the drive is an ordinary drive of the system; on Linux the program's own, the highest free
/// letter from Z:, mounted in TheFileSystem(), so that paths on that letter reach the share. The
/// first attempt logs on with the user and password as given; when it is refused, a second one
/// exchanges them, for a login typed into the wrong fields (not when the server cannot be reached
/// at all: no login can change that, and the wait would only double). Returns 0 with
/// `mappedDrive` set to the letter and a colon ("Z:"), or 1 with `mappedDrive` unchanged. A
/// connection made earlier stays connected and tracked until it is released.
int MapNetworkDrive(const std::string& sharePath, const std::string& user, const std::string& password,
                    std::string& mappedDrive);

/// Releases the connection of `mappedDrive` ("Z:") that the program made, for real: the drive
/// letter goes and the connection to the server is closed. Never forced: while a file on the drive
/// is open it fails. Returns 0 with `mappedDrive` emptied, or 1 with it unchanged (nothing of the
/// program's connected there, a file open, an empty name).
int DisconnectNetworkDrive(std::string& mappedDrive);

/// The login that the program's connection to this server uses now, as the server accepted it
/// (after an exchange, the exchanged one); the newest connection's when there are several. The
/// server as typed: "OLDWEB", "\\OLDWEB", "127.0.0.1:4455". Nothing without such a connection.
std::optional<NetworkCredentials> CredentialsOfConnectionTo(const std::string& server);

/// The drives connected now, in the order they were connected ("Z:", "Y:").
std::vector<std::string> ConnectedNetworkDrives();

/// Releases every connection the program still holds. For the end of the program; it also runs
/// when the process exits normally. On Linux files open or not; on Windows unforced, since the
/// drive belongs to the whole logon session: a drive that another program still uses stays until
/// the user logs off (it is not remembered in the profile).
void ReleaseAllNetworkDrives() noexcept;

/// How long a connection waits for each answer of a server before it fails; 20 seconds unless
/// set otherwise. Applies to connections made afterwards. Linux only in effect: on Windows the
/// system's redirector times its connections and reads itself and takes no setting per call.
void SetNetworkTimeout(std::chrono::milliseconds timeout);

}  // namespace synvora
