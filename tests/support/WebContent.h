#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/FileTree.h"

namespace synvora::test {

/// One of the six content folders the web job migrates: where the old web server keeps it, where
/// the new installation wants it, what the parameter table says about both, and its files.
struct ContentFolder {
    /// The parameter name (SYNVORAPARAMETER.PARAMNAME), or the fixed folder ("E-Synvora/images").
    std::string name;
    bool fromParameter = false;
    /// Parameters only: PARAMVALUE in the old and in the new database. An absolute new value is
    /// written below the new root (NewParameterRows).
    std::string oldValue;
    std::string newValue;
    bool absolutePath = false;
    /// Below the old server's installation drive root and below the new root, "/" separated.
    std::string oldPath;
    std::string newPath;
    FileTree files;
};

/// An old E-Synvora installation on the old web server's installation drive (the folder behind
/// its administrative share "D$") and the places of a new installation below a root folder of
/// this machine.
struct WebContent {
    /// As typed on the web server page: "D:\Program Files\E-Synvora".
    std::string oldInstallationFolder;
    /// Below the new root: the folder this machine's registry names as the new installation.
    std::string newInstallationFolder;
    /// In the order the web job migrates them.
    std::vector<ContentFolder> folders;
    /// Files of the old drive that belong to no content folder and must stay behind.
    FileTree otherFiles;
};

/// The six folders with nested folders, empty files and folders, blanks and non-ASCII names, and
/// one file of 2.5 MiB; the Excel folder's old value names drive E, where the job looks for it
/// on the installation drive.
WebContent SampleWebContent();

/// Adds `count` files of `size` bytes (random content, nested two levels deep in groups of
/// 20) to a content folder, for larger runs.
void AddGeneratedFiles(ContentFolder& folder, int count, std::size_t size, std::uint64_t seed);

/// Reproducible bytes that do not compress, from a seed.
std::string RandomBytes(std::size_t size, std::uint64_t seed);

/// Writes the old installation below the old server's drive root.
void WriteOldInstallation(const WebContent& content, const std::string& driveRoot);

/// SQL that sets the four parameter rows of the old database, or of the new one with the absolute
/// folders below newRoot, replacing rows of the same names: for a table shaped as
/// PostgresServer::CreateParameterDatabase makes it or as the demo databases have it.
std::string OldParameterRows(const WebContent& content);
std::string NewParameterRows(const WebContent& content, const std::string& newRoot);

/// A SQL string literal: the text in single quotes, quotes inside doubled.
std::string SqlLiteral(const std::string& text);

/// The registry file of this machine as the new web server, with its installation folder, or
/// without one (the product's key present, its folder not).
std::string NewWebServerRegistry(const std::optional<std::string>& installationFolder);

}  // namespace synvora::test
