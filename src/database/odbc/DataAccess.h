#pragma once

namespace synvora {

/// Prepares the process for database access; main calls it before anything else. It takes the
/// user's locale (the drivers convert text with it) and gives the TDS driver the protocol version
/// and port that the server needs, unless the environment already names them. Platform layer: on
/// Windows the system's driver needs none of it.
void InitializeDataAccess();

}  // namespace synvora
