#pragma once

#include <string>

#include "CopyProgress.h"

namespace synvora {

class FileSystem;

/// Copies between two different file systems (a network drive and the local disk) on top of
/// their streaming calls: ListFolder, OpenForReading, CreateFileWriter, Inspect, CreateFolder.
/// They behave as FileSystem::CopyFile and FileSystem::CopyFolder do on one file system: same
/// overwrite and read-only rules, each file complete or not at all with its modification time, a
/// folder copy that goes on after a failing entry and raises the first failure at the end. A
/// folder copy lists the source tree once (CopyPlan.h) and copies from that listing. A file system
/// without a copy of its own can implement CopyFile and CopyFolder by passing itself as both from
/// and to.

void CopyFileAcross(FileSystem& from, const std::string& source, FileSystem& to,
                    const std::string& destination, bool overwrite);

void CopyFolderAcross(FileSystem& from, const std::string& source, FileSystem& to,
                      const std::string& destination, const FolderCopyOptions& options);

}  // namespace synvora
