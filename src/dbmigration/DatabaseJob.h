#pragma once

#include <string>

#include "dbmigration/DatabaseJobHost.h"

namespace synvora {

/// The database job of the finish page: moves the content of the old database into the new one
/// by preparing the delivered migration script and running it through the command-line client.
/// Progress goes into the step slots lblStep1 to lblStep6; the job succeeds exactly when the
/// client's output holds "COMMIT TRANSACTION". Any other end shows the message "The migration of
/// the database content was stopped, please check the log file!" (critical), after the services
/// have written their entries to Migration.log. No failure ever leaves it.
///
/// When the host reports a stop request, the job stops after its current step, before the next
/// one starts, shows no further message box and returns.
void MigrateDatabaseContent(DatabaseJobHost& host) noexcept;

/// Fills the six placeholders of the prepared script in the folder, in this order, each over the
/// whole file as the previous one left it: "SourceServer", "SourceUser", "SourcePassword",
/// "SourceDatabase" (source page), "DestinationDataBase", "DestinationUser" (destination page).
/// The file is first made the owner's alone and writable (see FileSystem::RestrictToOwner), since
/// it is about to hold the source password. A value with a character that Windows-1252 lacks is
/// not written as "?": its entry names the field (never the value) and nothing is filled. On
/// failure: the message box "Migration program could not prepare SQL script." (critical), then the
/// entry "Migration program could not prepare SQL script!" under "ReplaceSourceEnDestination", and
/// the error is raised. Placeholders already filled stay so.
void ReplaceSourceEnDestination(const std::string& i_sFolder, DatabaseJobHost& host);

/// Runs the prepared script in the folder on the destination server through the client, with its
/// output in the folder's output file, and waits for the client's end (see
/// BuildClientCommandLine); the password reaches the client in its environment. Whatever stands at
/// the output file's name is first made a plain file of the owner's alone. While the client runs
/// the host keeps the window alive, and Exit asks whether to stop the script; a stop ends the
/// client and is logged as "The migration script was stopped by the user before it ended." under
/// "MigrateDatabases", and the error is raised. A client that cannot be started or ends with a
/// non-zero exit code fails: the entry "Migration was stopped due to some errors! " followed by
/// the description of the failure is written under "MigrateDatabases" (after RunCommand's own),
/// and the error is raised. The log shows the command line with the password masked. Whether the
/// script did its work is not judged here.
void MigrateDatabases(const std::string& i_sFolder, DatabaseJobHost& host);

}  // namespace synvora
