#pragma once

#include "files/posix/UniqueFd.h"

namespace synvora::test {

/// A socket bound to a port of 127.0.0.1 that the system chose, returned through port; the caller
/// listens on it, so no other process can take the port in between.
UniqueFd BoundLoopbackSocket(int& port);

}  // namespace synvora::test
