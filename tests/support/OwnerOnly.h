#pragma once

#include <string>

namespace synvora::test {

// Files for their owner alone, as each system keeps them (posix/, win32/OwnerOnly.cpp).

/// Expects that only the owner may use the file: permission bits 0600 on Linux; on Windows a
/// protected DACL with one entry, for this process's user. Wine keeps no DACL: there the entries
/// are not checked (a line in the test's output says so), only that the file has a DACL.
void ExpectOwnerOnly(const std::string& path);

/// Lets everyone read the file besides its owner: permission bits 0644 on Linux, an entry for
/// Everyone on Windows.
void LetOthersRead(const std::string& path);

}  // namespace synvora::test
