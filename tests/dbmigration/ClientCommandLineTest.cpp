#include <gtest/gtest.h>

#include "database/CommandLineSplit.h"
#include "dbmigration/ClientCommandLine.h"

namespace synvora {
namespace {

DatabaseFields Destination(std::string server, std::string user, std::string password, std::string database) {
    return DatabaseFields{std::move(server), std::move(database), std::move(user), std::move(password)};
}

TEST(ClientCommandLineTest, JoinsThePiecesInOrderAndMasksThePasswordForTheLog) {
    const ClientCommandLine command =
        BuildClientCommandLine(Destination("DBSRV01", "sa", "Geheim!1", "Synvora25"), "/srv/migration");

    EXPECT_EQ(command.line,
              "osql.exe /n /S DBSRV01 /U sa /P Geheim!1 /d Synvora25 /i /srv/migration/PelluxDest.sql "
              "/o /srv/migration/PelluxDest.log");
    EXPECT_EQ(command.lineForLog,
              "osql.exe /n /S DBSRV01 /U sa /P ******** /d Synvora25 /i /srv/migration/PelluxDest.sql "
              "/o /srv/migration/PelluxDest.log");
}

TEST(ClientCommandLineTest, QuotesBothFilesExactlyWhenTheFolderHasABlank) {
    const DatabaseFields destination = Destination("srv", "sa", "pw", "db");

    const ClientCommandLine blank = BuildClientCommandLine(destination, "/home/admin/Synvora Migration");
    EXPECT_EQ(blank.line,
              "osql.exe /n /S srv /U sa /P pw /d db /i \"/home/admin/Synvora Migration/PelluxDest.sql\" "
              "/o \"/home/admin/Synvora Migration/PelluxDest.log\"");
    EXPECT_EQ(SplitCommandLine(blank.line).at(11), "/home/admin/Synvora Migration/PelluxDest.sql");
    EXPECT_EQ(SplitCommandLine(blank.line).at(13), "/home/admin/Synvora Migration/PelluxDest.log");

    // Only a blank calls for quotes.
    const ClientCommandLine bare = BuildClientCommandLine(destination, "/tmp/old-2.4_(copy)");
    EXPECT_EQ(bare.line,
              "osql.exe /n /S srv /U sa /P pw /d db /i /tmp/old-2.4_(copy)/PelluxDest.sql "
              "/o /tmp/old-2.4_(copy)/PelluxDest.log");
}

TEST(ClientCommandLineTest, AnEmptyPasswordLeavesTwoBlanksInBothLines) {
    const ClientCommandLine command = BuildClientCommandLine(Destination("srv", "sa", "", "db"), "/m");

    EXPECT_EQ(command.line, "osql.exe /n /S srv /U sa /P  /d db /i /m/PelluxDest.sql /o /m/PelluxDest.log");
    EXPECT_EQ(command.lineForLog, command.line);
}

TEST(ClientCommandLineTest, FieldsAreNeverQuotedAndOnlyThePasswordPositionIsMasked) {
    // The password equals the user and occurs inside the server name: only its own place is masked.
    const ClientCommandLine command =
        BuildClientCommandLine(Destination("sa host", "sa", "sa", "new db"), "/m");

    EXPECT_EQ(command.line,
              "osql.exe /n /S sa host /U sa /P sa /d new db /i /m/PelluxDest.sql /o /m/PelluxDest.log");
    EXPECT_EQ(command.lineForLog,
              "osql.exe /n /S sa host /U sa /P ******** /d new db /i /m/PelluxDest.sql /o /m/PelluxDest.log");
    // A blank in a field splits it into two words, as the client will see them.
    EXPECT_EQ(SplitCommandLine(command.line).at(3), "sa");
    EXPECT_EQ(SplitCommandLine(command.line).at(4), "host");
}

}  // namespace
}  // namespace synvora
