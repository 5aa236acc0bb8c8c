#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "files/MigrationError.h"

namespace synvora::test {

/// Files below a folder by their relative path ("sub/a.txt") with their bytes; an empty folder
/// appears as its relative path with a trailing "/" and no bytes. Hidden files count like any
/// other, so a temporary file left behind shows up.
using FileTree = std::map<std::string, std::string>;

/// Writes the files (and "name/" folders), creating the folders on the way.
void WriteTree(const std::string& root, const FileTree& tree);

/// Reads everything below root; symbolic links appear as "name -> target".
FileTree ReadTree(const std::string& root);

/// Permission bits of a file (0777 form), -1 when it cannot be read. Linux only.
int PermissionsOf(const std::string& path);

/// The number of the MigrationError the call raises; 0 when it raises nothing.
template <typename Call>
std::int32_t ErrorNumberOf(Call&& call) {
    try {
        call();
    } catch (const MigrationError& error) {
        return error.Number();
    }
    return 0;
}

}  // namespace synvora::test
