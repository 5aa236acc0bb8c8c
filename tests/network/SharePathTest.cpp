#include <gtest/gtest.h>

#include "network/SharePath.h"

namespace synvora {
namespace {

TEST(SharePathTest, ServerShareAndPortAreTakenApart) {
    const auto plain = ParseSharePath("\\\\OLDWEB\\D$");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->server.host, "OLDWEB");
    EXPECT_FALSE(plain->server.port);
    EXPECT_EQ(plain->share, "D$");

    const auto withPort = ParseSharePath("//127.0.0.1:4455/E$/");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->server.host, "127.0.0.1");
    EXPECT_EQ(withPort->server.port, 4455);
    EXPECT_EQ(withPort->share, "E$");

    const auto v6 = ParseSharePath("\\\\[::1]:445\\D$");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->server.host, "::1");
    EXPECT_EQ(v6->server.port, 445);

    // A missing part, a folder below the share, a port that is no port.
    for (const char* refused :
         {"", "\\\\", "\\\\OLDWEB", "\\\\OLDWEB\\", "\\\\\\D$", "OLDWEB\\D$", "\\OLDWEB\\D$",
          "\\\\OLDWEB\\D$\\Synvora", "\\\\OLDWEB:\\D$", "\\\\OLDWEB:0\\D$", "\\\\OLDWEB:65536\\D$",
          "\\\\OLDWEB:44x\\D$", "\\\\[::1\\D$"}) {
        EXPECT_FALSE(ParseSharePath(refused)) << refused;
    }
}

TEST(SharePathTest, ServersCompareWithoutLetterCaseButWithTheirPorts) {
    const auto typed = ParseServerAddress("\\\\OldWeb");
    ASSERT_TRUE(typed);
    EXPECT_TRUE(typed->SameServer(*ParseServerAddress("oldweb")));
    EXPECT_FALSE(typed->SameServer(*ParseServerAddress("oldweb:4455")));
    EXPECT_TRUE(ParseServerAddress("oldweb:4455")->SameServer(*ParseServerAddress("OLDWEB:4455")));
    EXPECT_FALSE(ParseServerAddress("oldweb2")->SameServer(*typed));
}

TEST(SharePathTest, UrlsCarryEveryNameUnchangedThroughPercentEncoding) {
    const SharePath share = *ParseSharePath("\\\\127.0.0.1:4455\\D$");
    EXPECT_EQ(ShareUrl(share, ""), "smb://127.0.0.1:4455/D%24");
    // Blanks, "%", "?" (which would start the URL's options), "#", ";" and "@", and UTF-8 bytes.
    EXPECT_EQ(ShareUrl(share,
                       "/Synvora/my folder/100% ?#;@/Stra\xC3\x9F"
                       "e.txt"),
              "smb://127.0.0.1:4455/D%24/Synvora/my%20folder/100%25%20%3F%23%3B%40/Stra%C3%9Fe.txt");
    EXPECT_EQ(ShareUrl(*ParseSharePath("\\\\[fe80::1]\\D$"), "/a"), "smb://[fe80::1]/D%24/a");
}

}  // namespace
}  // namespace synvora
