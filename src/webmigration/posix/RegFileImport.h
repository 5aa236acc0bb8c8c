#pragma once

#include <string_view>

namespace synvora {

class RegistryTree;

/// Applies a registry export file to the HKEY_LOCAL_MACHINE tree, line by line, as an import
/// would: sections create their keys (and missing parents), "[-...]" removes a key with all below
/// it, "name"=- removes a value. Sections of other roots are read and left out.
///
/// The file is "Windows Registry Editor Version 5.00" (UTF-16LE with a byte-order mark, or UTF-8
/// with or without one) or "REGEDIT4"; text that is not valid UTF-8 is read as Windows-1252.
/// Values: "text" with the escapes \\ and \" (another backslash stays as it is), dword:, hex:
/// and hex(type): with continuation lines ending in a backslash. Data is stored as the ANSI calls
/// return it: string types (text, hex(1), hex(2), hex(7)) in Windows-1252, "text" with its
/// terminating NUL, the hex string types of a version 5 file converted from UTF-16LE; all other
/// types as their bytes.
///
/// A line that cannot be read is skipped, and so are the values of a section that cannot be read;
/// everything else is used. Returns false, applying nothing, when the header is neither of the two.
bool ImportRegFile(std::string_view fileBytes, RegistryTree& localMachine);

}  // namespace synvora
