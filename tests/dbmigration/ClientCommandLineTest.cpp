#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClientOptions.h"
#include "database/CommandLineSplit.h"
#include "dbmigration/ClientCommandLine.h"
#include "files/Paths.h"

namespace synvora {
namespace {

DatabaseFields Destination(std::string server, std::string user, std::string password, std::string database) {
    return DatabaseFields{std::move(server), std::move(database), std::move(user), std::move(password)};
}

/// What the client makes of the line: split as the command launch splits it, read by its own parser.
osql::ClientOptions AsTheClientReadsIt(const std::string& line) {
    std::vector<std::string> words = SplitCommandLine(line);
    EXPECT_EQ(words.at(0), "osql.exe");
    words.erase(words.begin());
    return osql::ParseClientArguments(words);
}

/// The folder's file as the job names it: with the system's separator.
std::string In(const std::string& folder, const std::string& name) {
    return folder + kPathSeparator + name;
}

TEST(ClientCommandLineTest, TheLogShowsTheLineAsAlwaysWrittenWithThePasswordMasked) {
    const DatabaseFields destination = Destination("DBSRV01", "sa", "Geheim!1", "Synvora25");
    EXPECT_EQ(BuildClientCommandLine(destination, "/srv/migration").lineForLog,
              "osql.exe /n /S DBSRV01 /U sa /P ******** /d Synvora25 /i " +
                  In("/srv/migration", "PelluxDest.sql") + " /o " + In("/srv/migration", "PelluxDest.log"));
    // Only a blank in the folder calls for quotes; the values stand as typed, an empty password
    // stays empty.
    EXPECT_EQ(
        BuildClientCommandLine(Destination("sa host", "sa", "", "new db"), "/home/admin/Synvora Migration")
            .lineForLog,
        "osql.exe /n /S sa host /U sa /P  /d new db /i \"" +
            In("/home/admin/Synvora Migration", "PelluxDest.sql") + "\" /o \"" +
            In("/home/admin/Synvora Migration", "PelluxDest.log") + "\"");
}

TEST(ClientCommandLineTest, EveryTypedValueReachesTheClientWholeAndThePasswordStaysOffTheLine) {
    const std::vector<std::pair<DatabaseFields, std::string>> cases = {
        {Destination("DBSRV01", "sa", "Geheim!1", "Synvora25"), "/srv/migration"},
        {Destination("sa host", "say \"hi\"", "Top Secret", "new db"), "/home/admin/Synvora Migration"},
        {Destination("-b", "/d", "-b", "/?"), "/tmp/old-2.4_(copy)"},
        {Destination("srv\\inst\\", "a\\\"b", "", "\u03A9mega"), "/tmp/with \"quote\\"},
    };
    for (const auto& [destination, folder] : cases) {
        const ClientCommandLine command = BuildClientCommandLine(destination, folder);
        const osql::ClientOptions options = AsTheClientReadsIt(command.line);
        EXPECT_EQ(options.server, destination.server) << command.line;
        EXPECT_EQ(options.user, destination.user) << command.line;
        EXPECT_EQ(options.database, destination.database) << command.line;
        EXPECT_EQ(options.inputFile, In(folder, "PelluxDest.sql")) << command.line;
        EXPECT_EQ(options.outputFile, In(folder, "PelluxDest.log")) << command.line;
        EXPECT_FALSE(options.linePrompts);
        // The client takes the password from its environment.
        EXPECT_FALSE(options.passwordGiven) << command.line;
        EXPECT_EQ(command.passwordSetting, "OSQLPASSWORD=" + destination.password);
    }
    EXPECT_EQ(BuildClientCommandLine(cases[0].first, cases[0].second).line.find("Geheim"), std::string::npos);
}

}  // namespace
}  // namespace synvora
