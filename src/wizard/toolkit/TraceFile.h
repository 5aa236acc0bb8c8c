#pragma once

#include <cstdio>
#include <string>

namespace synvora {

/// Opens the trace file for appending, created open to this account only, without following a
/// link at its name; nullptr when it cannot be opened. Defined by each platform.
std::FILE* OpenTraceFile(const std::string& path);

}  // namespace synvora
