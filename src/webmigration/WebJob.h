#pragma once

#include <string>

#include "files/CopyProgress.h"
#include "webmigration/WebJobHost.h"

namespace synvora {

/// The web job of the finish page: finds this machine's new installation folder, connects the old
/// web server's installation drive, migrates its six content folders one after the other into the
/// new installation, and releases the drive, each step shown in its step slot. The old server is
/// only read. A folder that cannot be migrated has shown its messages and written its entries, and
/// its failure is raised out of the job (the drive then stays connected until the program ends);
/// the job's own stops (no installation folder, no connection) show their messages and return.
/// When the host reports a stop request, the job stops after its current step and returns; a stop
/// chosen during a copy ends the copy after the file in hand and is raised as that folder's
/// failure, without a message box.
void MigrateWebContent(WebJobHost& host);

/// Migrates the folder that the parameter i_sFolderName names in the table SYNVORAPARAMETER: the
/// old location from the source database, the new one from the destination database. With
/// i_bAbsolutePath the old value is an absolute path of the old server, looked for on its
/// installation drive ("E:\Synvora\ExcelTemp" is "Z:/Synvora/ExcelTemp"), and the new value a path
/// of this machine; without it both are relative to the old and the new installation folder. A
/// parameter without a value in either database is not migrated (copying the whole drive or
/// installation folder in its place would be wrong). A missing destination folder is created
/// when the user agrees. Files already complete at the destination (same size and modification
/// time, writable) are kept; others are replaced, read-only ones never. On any failure: one
/// critical message box and one entry "Is was not possible to migrate '<source>'!" under
/// "MigrateParameterFolders" (after the entries of the procedures below), and the error is raised.
void MigrateParameterFolders(WebJobHost& host, const std::string& i_sInstallDir,
                             const std::string& i_sFolderName, bool i_bAbsolutePath);

/// Migrates the fixed folder i_sFolderName ("E-Synvora/images") from below the old installation
/// folder to below i_sInstallDir, as MigrateParameterFolders does; its failure entry is "Is was not
/// possible to migrate '<source>' to '<destination>', Check if destination files are read-only!"
/// under "MigrateFolders".
void MigrateFolders(WebJobHost& host, const std::string& i_sInstallDir, const std::string& i_sFolderName,
                    bool i_bAbsolutePath);

/// The line the finish page shows while a folder copies: "120 of 2000 files, 12.5 of 250.0 MB".
std::string CopyProgressText(const CopyProgress& progress);

/// The part of a copy done, 0 to 1000: by bytes, or by files when the files hold no bytes.
int CopyProgressPermille(const CopyProgress& progress);

}  // namespace synvora
