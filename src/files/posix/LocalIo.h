#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>

#include "UniqueFd.h"
#include "files/FileSystem.h"

namespace synvora {

/// Small POSIX helpers shared by the local file system and its copy routines. Every failure is
/// raised through ThrowPlatformError.

/// Opens a path; an empty path fails like a missing one. O_CLOEXEC is always added.
UniqueFd OpenOrThrow(const std::string& path, int flags, mode_t mode = 0);

/// Opens a folder only to address entries in it with the *at calls.
UniqueFd OpenFolderHandle(const std::string& path);

/// Writes all bytes, resuming after interrupted or short writes.
void WriteAll(int fd, std::string_view content);
/// The same at a position of the file, leaving the file offset alone.
void WriteAllAt(int fd, std::uint64_t offset, std::string_view content);

/// The process's file-creation mask.
mode_t ProcessUmask();

/// "/a/b" gives ("/a", "b"), "/b" gives ("/", "b"), "b" gives (".", "b"); a path that ends in a
/// separator gives an empty name.
std::pair<std::string, std::string> SplitFolderAndName(const std::string& path);

/// FileAttribute bits of a file as the program sees them: read-only when the owner may not write
/// (the convention Samba uses), archive for every regular file.
int AttributesOf(const struct stat& info);

FolderIdentity IdentityOf(const struct stat& info);

FileTime ModificationTimeOf(const struct stat& info);

/// Sets an open file's modification time (its access time stays); call it after the last write.
void SetModificationTime(int fd, FileTime modified);

}  // namespace synvora
