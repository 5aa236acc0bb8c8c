#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClientOptions.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"

namespace synvora::osql {
namespace {

using Args = std::vector<std::string>;

/// The usage message of a command line that must be refused.
std::string Refusal(const Args& args) {
    try {
        ParseClientArguments(args);
    } catch (const MigrationError& error) {
        EXPECT_EQ(error.Number(), ErrorCode::kClientUsage);
        return error.Description();
    }
    ADD_FAILURE() << "the command line was accepted";
    return {};
}

TEST(ClientOptionsTest, ReadsTheCommandLineOfTheDatabaseJob) {
    const ClientOptions options =
        ParseClientArguments({"/n", "/S", "db-host", "/U", "sa", "/P", "Secret#1", "/d", "synvora", "/i",
                              "/tmp/w d/PelluxDest.sql", "/o", "/tmp/w d/PelluxDest.log"});
    EXPECT_EQ(options.server, "db-host");
    EXPECT_EQ(options.user, "sa");
    EXPECT_EQ(options.password, "Secret#1");
    EXPECT_EQ(options.database, "synvora");
    EXPECT_EQ(options.inputFile, "/tmp/w d/PelluxDest.sql");
    EXPECT_EQ(options.outputFile, "/tmp/w d/PelluxDest.log");
    EXPECT_FALSE(options.linePrompts);
    EXPECT_FALSE(options.stopOnError);
    EXPECT_FALSE(options.echoInput);
    EXPECT_FALSE(options.showUsage);
}

TEST(ClientOptionsTest, AcceptsDashesAttachedValuesAndTheSmallSwitches) {
    const ClientOptions options =
        ParseClientArguments({"-Sdb-host", "-Usa", "/Pp w", "-ddb", "-b", "-e", "/l", "30", "-iin.sql"});
    EXPECT_EQ(options.server, "db-host");
    EXPECT_EQ(options.user, "sa");
    EXPECT_EQ(options.password, "p w");
    EXPECT_EQ(options.database, "db");
    EXPECT_EQ(options.inputFile, "in.sql");
    EXPECT_FALSE(options.outputFile.has_value());
    EXPECT_TRUE(options.linePrompts);
    EXPECT_TRUE(options.stopOnError);
    EXPECT_TRUE(options.echoInput);
    EXPECT_EQ(options.loginTimeoutSeconds, 30);
    EXPECT_EQ(ParseClientArguments({"/U", "sa", "/t5"}).loginTimeoutSeconds, 5);
    EXPECT_EQ(ParseClientArguments({"/U", "sa", "-t", "0"}).loginTimeoutSeconds, 0);
}

TEST(ClientOptionsTest, AnEmptyPasswordDoesNotSwallowTheNextSwitch) {
    // The wizard writes "/P " + password + " /d ...": an empty password leaves "/P" followed by "/d".
    const ClientOptions options =
        ParseClientArguments({"/n", "/S", "h", "/U", "sa", "/P", "/d", "db", "/i", "x"});
    EXPECT_EQ(options.password, "");
    EXPECT_EQ(options.database, "db");
    EXPECT_EQ(ParseClientArguments({"/U", "sa", "/P"}).password, "");
    // A value that only starts like a switch is still a value.
    EXPECT_EQ(ParseClientArguments({"/U", "sa", "/P", "-dog", "/d", "db"}).password, "-dog");
    EXPECT_EQ(ParseClientArguments({"/U", "sa", "/i", "/data/in.sql"}).inputFile, "/data/in.sql");
}

TEST(ClientOptionsTest, SwitchLettersAreCaseSensitive) {
    EXPECT_NE(Refusal({"/U", "sa", "/s", "host"}).find("unknown switch /s"), std::string::npos);
    EXPECT_NE(Refusal({"/u", "sa"}).find("unknown switch /u"), std::string::npos);
    EXPECT_NE(Refusal({"/U", "sa", "/N"}).find("unknown switch /N"), std::string::npos);
}

TEST(ClientOptionsTest, RefusesMissingValuesStrayWordsAndBadTimeOuts) {
    EXPECT_NE(Refusal({"/U", "sa", "/S"}).find("/S needs a value"), std::string::npos);
    EXPECT_NE(Refusal({"/U", "sa", "/i", "/o", "out.log"}).find("/i needs a value"), std::string::npos);
    EXPECT_NE(Refusal({"/U"}).find("/U needs a value"), std::string::npos);
    EXPECT_NE(Refusal({"/S", "h"}).find("/U"), std::string::npos);
    EXPECT_NE(Refusal({"/U", "sa", "extra"}).find("argument 3 is not a switch"), std::string::npos);
    EXPECT_NE(Refusal({"/U", "sa", "/nx"}).find("takes no value"), std::string::npos);
    EXPECT_NE(Refusal({"/U", "sa", "/l", "soon"}).find("time-out"), std::string::npos);
    EXPECT_NE(Refusal({"/U", "sa", "/t", "-1"}).find("time-out"), std::string::npos);
    EXPECT_NE(Refusal({"/U", "sa", "/t", "70000"}).find("time-out"), std::string::npos);
    EXPECT_FALSE(Refusal({"/U", "sa", "-"}).empty());
}

TEST(ClientOptionsTest, UsageMessagesNeverRepeatThePassword) {
    // A password with a blank splits into two words; the second is refused without being quoted.
    const std::string stray = Refusal({"/U", "sa", "/P", "Top", "Secret7", "/d", "db"});
    EXPECT_EQ(stray.find("Secret7"), std::string::npos) << stray;
    const std::string switchLike = Refusal({"/U", "sa", "/P", "Top", "-Xsecret", "/d", "db"});
    EXPECT_EQ(switchLike.find("-X"), std::string::npos) << switchLike;
    EXPECT_EQ(switchLike.find("secret"), std::string::npos) << switchLike;
    EXPECT_EQ(ClientUsage().find("Secret"), std::string::npos);
}

TEST(ClientOptionsTest, UsageNeedsNoLogin) {
    EXPECT_TRUE(ParseClientArguments({"/?"}).showUsage);
    EXPECT_TRUE(ParseClientArguments({"-?"}).showUsage);
    EXPECT_NE(ClientUsage().find("/S server"), std::string::npos);
}

}  // namespace
}  // namespace synvora::osql
