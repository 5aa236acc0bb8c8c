#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "files/CopyFailures.h"
#include "files/ErrorCodes.h"
#include "files/FileFunctions.h"
#include "files/FileSystem.h"
#include "network/NetworkDrives.h"
#include "support/DelayingProxy.h"
#include "support/FileSizeLimit.h"
#include "support/FileTree.h"
#include "support/Loopback.h"
#include "support/RecordingMonitor.h"
#include "support/SambaFixture.h"
#include "support/TempDir.h"
#include "support/WebContent.h"

namespace synvora::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

/// Drives connected to the test server's share "D$". Every test starts and ends with nothing
/// connected and an empty share.
class NetworkDriveTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_THAT(ConnectedNetworkDrives(), IsEmpty()); }
    void TearDown() override {
        ReleaseAllNetworkDrives();
        SetNetworkTimeout(20s);
        std::filesystem::remove_all(Server().ShareFolder());
        std::filesystem::create_directory(Server().ShareFolder());
    }

    static SambaServer& Server() { return SharedSambaServer(); }
    static std::string User() { return Server().Admin().user; }
    static std::string Password() { return Server().Admin().password; }

    /// Connects the test share with the right login; fails the test otherwise.
    std::string MapShare() {
        std::string drive;
        EXPECT_EQ(MapNetworkDrive(Server().SharePath(), User(), Password(), drive), 0);
        return drive;
    }

    /// The server notices a closed connection a moment after the client closed it.
    static bool SessionsEventuallyDropTo(int expected) {
        for (int poll = 0; poll < 200; ++poll) {
            if (Server().SessionCount() == expected) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
};

TEST_F(NetworkDriveTest, ConnectsToZAndReleasesTheConnectionForReal) {
    WriteTree(Server().ShareFolder(), {{"Synvora/E-Synvora/images/logo.gif", "GIF89a"}});
    std::string drive;
    ASSERT_EQ(MapNetworkDrive(Server().SharePath(), User(), Password(), drive), 0);
    EXPECT_EQ(drive, "Z:") << "the highest free letter";
    EXPECT_THAT(ConnectedNetworkDrives(), ElementsAre("Z:"));
    EXPECT_TRUE(TheFileSystem().FolderExists("Z:/Synvora/E-Synvora/images"));
    EXPECT_TRUE(TheFileSystem().FileExists("z:\\Synvora\\E-Synvora\\images\\logo.gif"));
    EXPECT_EQ(TheFileSystem().ReadFile("Z:/Synvora/E-Synvora/images/logo.gif"), "GIF89a");
    EXPECT_FALSE(TheFileSystem().FolderExists("Y:/Synvora")) << "a letter that is not mapped is no drive";
    EXPECT_EQ(Server().SessionCount(), 1);

    ASSERT_EQ(DisconnectNetworkDrive(drive), 0);
    EXPECT_EQ(drive, "");
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
    EXPECT_TRUE(SessionsEventuallyDropTo(0)) << "no connection stays open";
    EXPECT_FALSE(TheFileSystem().FolderExists("Z:/Synvora"));
    EXPECT_EQ(ErrorNumberOf([] { TheFileSystem().CreateFolder("Z:/Synvora/new"); }),
              PlatformError::kDiskNotReady);

    EXPECT_EQ(DisconnectNetworkDrive(drive), 1) << "nothing left to release";
    std::string released = "Z:";
    EXPECT_EQ(DisconnectNetworkDrive(released), 1) << "Z: is no longer connected";
    EXPECT_EQ(released, "Z:");
}

TEST_F(NetworkDriveTest, ExchangedCredentialsConnectAndRefusedLoginsLeaveTheEarlierDrive) {
    std::string drive = "Q:";
    // Password typed into the user field and the reverse: the second attempt connects.
    ASSERT_EQ(MapNetworkDrive(Server().SharePath(), Password(), User(), drive), 0);
    EXPECT_EQ(drive, "Z:");
    const auto credentials = CredentialsOfConnectionTo("\\\\" + Server().ServerName());
    ASSERT_TRUE(credentials);
    EXPECT_EQ(credentials->user, User()) << "the login the server accepted, not the one typed";
    EXPECT_EQ(credentials->password, Password());
    EXPECT_FALSE(CredentialsOfConnectionTo(Server().Host())) << "another port is another server";

    for (const auto& [user, password] : std::vector<std::pair<std::string, std::string>>{
             {User(), "wrong"}, {User(), ""}, {"", ""}, {"", Password()}, {"nobody", "wrong"}}) {
        EXPECT_EQ(MapNetworkDrive(Server().SharePath(), user, password, drive), 1) << user << "/" << password;
        EXPECT_EQ(drive, "Z:") << "the drive of the earlier connection stays";
    }
    // That server lets a wrong password in as its guest account, whose share this is; nor does a
    // login without a user name (anonymous), or one that names a domain and no user, get in there.
    for (const auto& [user, password] :
         std::vector<std::pair<std::string, std::string>>{{User(), "wrong"},
                                                          {"", ""},
                                                          {"", Password()},
                                                          {"WORKGROUP\\", Password()},
                                                          {"WORKGROUP\\", ""}}) {
        EXPECT_EQ(MapNetworkDrive(Server().GuestSharePath(), user, password, drive), 1)
            << user << "/" << password;
    }
    EXPECT_THAT(ConnectedNetworkDrives(), ElementsAre("Z:"));
    EXPECT_TRUE(SessionsEventuallyDropTo(1)) << "refused attempts leave no session behind";
}

TEST_F(NetworkDriveTest, UnknownSharesAndServersThatDoNotAnswerFailWithinTheTimeOut) {
    std::string drive;
    const std::string server = "\\\\" + Server().ServerName();
    EXPECT_EQ(MapNetworkDrive(server + "\\E$", User(), Password(), drive), 1);
    EXPECT_EQ(MapNetworkDrive(server + "\\$", User(), Password(), drive), 1) << "an empty drive letter";
    EXPECT_EQ(MapNetworkDrive(server + "\\D$\\Synvora", User(), Password(), drive), 1);
    EXPECT_EQ(MapNetworkDrive("\\\\127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "\\D$", User(),
                              Password(), drive),
              1)
        << "nothing listens there";

    // A machine that takes the connection and never answers: without a time-out this would hang.
    SetNetworkTimeout(1s);
    SilentServer silent;
    EXPECT_EQ(
        MapNetworkDrive("\\\\127.0.0.1:" + std::to_string(silent.Port()) + "\\D$", User(), Password(), drive),
        1);
    EXPECT_EQ(silent.Connections(), 1) << "a server that does not answer is not asked twice";
    EXPECT_EQ(drive, "");
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
}

TEST_F(NetworkDriveTest, ReleaseWaitsForOpenFilesAndASecondMapGetsTheNextLetter) {
    WriteTree(Server().ShareFolder(), {{"web.config", "<configuration/>"}});
    std::string first = MapShare();
    std::string second = MapShare();
    EXPECT_EQ(first, "Z:");
    EXPECT_EQ(second, "Y:") << "the first connection stays, on its own letter";
    EXPECT_THAT(ConnectedNetworkDrives(), ElementsAre("Z:", "Y:"));
    // The library aborts when its contexts are used from several threads: another thread is refused.
    std::thread([] {
        std::string drive;
        EXPECT_EQ(MapNetworkDrive(Server().SharePath(), User(), Password(), drive), 1);
        std::string mapped = "Z:";
        EXPECT_EQ(DisconnectNetworkDrive(mapped), 1);
    }).join();
    EXPECT_THAT(ConnectedNetworkDrives(), ElementsAre("Z:", "Y:"));

    {
        const auto reader = TheFileSystem().OpenForReading("Y:/web.config");
        EXPECT_EQ(DisconnectNetworkDrive(second), 1) << "never forced";
        EXPECT_EQ(second, "Y:");
        EXPECT_TRUE(TheFileSystem().FileExists("Y:/web.config"));
    }
    EXPECT_EQ(DisconnectNetworkDrive(second), 0);
    EXPECT_TRUE(TheFileSystem().FileExists("Z:/web.config")) << "releasing Y: leaves Z: alone";
    EXPECT_EQ(Server().SessionCount(), 1);

    // What is still connected when the program ends is released then.
    const auto reader = TheFileSystem().OpenForReading("Z:/web.config");
    ReleaseAllNetworkDrives();
    EXPECT_THAT(ConnectedNetworkDrives(), IsEmpty());
    EXPECT_FALSE(TheFileSystem().FileExists("Z:/web.config"));
    EXPECT_TRUE(SessionsEventuallyDropTo(0));
}

TEST_F(NetworkDriveTest, FoldersWithBlanksAndNonAsciiNamesCopyBothWaysByteForByte) {
    std::string big(5 * 512 * 1024 + 7, '\0');  // two and a half pieces of 1 MiB
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 131) % 251);
    }
    const FileTree images = {
        {"logo one.gif", "GIF89a"},
        {"\xC3\xBCnic\xC3\xB8"
         "de/Stra\xC3\x9F"
         "e 1.txt",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"empty.txt", ""},
        {"big.bin", big},
        {"Empty folder/", ""},
    };
    WriteTree(Server().ShareFolder() + "/Synvora/E-Synvora/images", images);
    ::chmod((Server().ShareFolder() + "/Synvora/E-Synvora/images/logo one.gif").c_str(), 0444);
    const std::string drive = MapShare();
    TempDir local;

    TheFileSystem().CopyFolder(drive + "/Synvora/E-Synvora/images", local / "images", true);
    EXPECT_EQ(ReadTree(local / "images"), images) << "nothing missing, nothing changed, no temporary left";
    EXPECT_EQ(PermissionsOf(local / "images/logo one.gif") & 0222, 0) << "read-only stays read-only";
    EXPECT_TRUE(TheFileSystem().FileExists(drive + "/Synvora/E-Synvora/images/\xC3\xBCnic\xC3\xB8"
                                                   "de/Stra\xC3\x9F"
                                                   "e 1.txt"));

    // The other way, and within the share.
    TheFileSystem().CreateFolder(drive + "/Synvora 2.5/new folder");
    TheFileSystem().CopyFolder(local / "images", drive + "/Synvora 2.5/new folder/images", true);
    EXPECT_EQ(ReadTree(Server().ShareFolder() + "/Synvora 2.5/new folder/images"), images);
    TheFileSystem().CopyFile(drive + "/Synvora/E-Synvora/images/big.bin", drive + "/copy of big.bin", false);
    EXPECT_EQ(ReadBytes(Server().ShareFolder() + "/copy of big.bin"), big);
    // A new file committed without replacing leaves an existing one as it is.
    {
        const auto writer = TheFileSystem().CreateFileWriter(drive + "/copy of big.bin");
        writer->Write("new");
        EXPECT_EQ(ErrorNumberOf([&] { writer->Commit(0644, false); }), PlatformError::kFileAlreadyExists);
    }
    EXPECT_EQ(ReadBytes(Server().ShareFolder() + "/copy of big.bin"), big);

    // A read-only file on the share is never replaced, and keeps its content.
    const std::string readOnly = drive + "/Synvora/E-Synvora/images/logo one.gif";
    WriteBytes(local / "logo.gif", "new");
    EXPECT_EQ(TheFileSystem().Attributes(readOnly), kAttributeReadOnly | kAttributeArchive);
    EXPECT_EQ(ErrorNumberOf([&] { TheFileSystem().CopyFile(local / "logo.gif", readOnly, true); }),
              PlatformError::kPermissionDenied);
    EXPECT_EQ(ReadBytes(Server().ShareFolder() + "/Synvora/E-Synvora/images/logo one.gif"), "GIF89a");
}

std::int64_t MicrosecondsOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000 + info.st_mtim.tv_nsec / 1000;
}

TEST_F(NetworkDriveTest, ListedFilesAreReadToTheirRealEndAndCopiesKeepTheirTimesBothWays) {
    const std::string share = Server().ShareFolder();
    WriteTree(share, {{"a/grows.bin", RandomBytes(3 << 20, 1)},
                      {"a/shrinks.bin", RandomBytes(100000, 2)},
                      {"a/stays.bin", RandomBytes(1 << 20, 3)}});
    const std::string drive = MapShare();
    const std::vector<FolderEntry> listing = TheFileSystem().ListFolder(drive + "/a");
    WriteBytes(share + "/a/grows.bin", RandomBytes((3 << 20) + 1000, 4));
    WriteBytes(share + "/a/shrinks.bin", "short");
    ASSERT_EQ(listing.size(), 3u);
    for (const FolderEntry& listed : listing) {
        const auto reader = TheFileSystem().OpenListedFile(drive + "/a/" + listed.name, listed);
        std::string content;
        std::vector<char> buffer(1 << 20);
        int pieces = 0;
        while (const std::size_t got = reader->Read(buffer)) {
            content.append(buffer.data(), got);
            ++pieces;
        }
        EXPECT_TRUE(content == ReadBytes(share + "/a/" + listed.name)) << listed.name;
        EXPECT_LE(pieces, static_cast<int>(content.size() >> 20) + 2)
            << listed.name << " came in small pieces";
        // A second reader of the same file, for its second half only.
        const auto half = TheFileSystem().OpenListedFile(drive + "/a/" + listed.name, listed);
        half->StartAt(content.size() / 2);
        std::string rest;
        while (const std::size_t got = half->Read(buffer)) {
            rest.append(buffer.data(), got);
        }
        EXPECT_TRUE(rest == content.substr(content.size() / 2)) << listed.name;
    }

    const struct timespec times[2] = {{0, UTIME_OMIT}, {981173106, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (share + "/a/stays.bin").c_str(), times, 0), 0);
    TempDir local;
    TheFileSystem().CopyFolder(drive + "/a", local / "a", true);
    EXPECT_EQ(MicrosecondsOf(local / "a/stays.bin"), 981173106123456);
    TheFileSystem().CopyFile(local / "a/stays.bin", drive + "/back.bin", false);
    EXPECT_EQ(MicrosecondsOf(share + "/back.bin"), 981173106123456);
}

/// Files below a folder, by their final names (a copy's temporaries start with ".").
std::size_t FilesIn(const FileTree& tree) {
    std::size_t files = 0;
    for (const auto& [path, bytes] : tree) {
        files += path.ends_with('/') ? 0 : 1;
    }
    return files;
}

TEST_F(NetworkDriveTest, ManyFilesTravelAtOnceOverASlowLinkAndTheCopyKeepsEveryPromise) {
    constexpr int kWorkers = 4;
    FileTree tree;
    for (int i = 0; i < 120; ++i) {
        tree["set " + std::to_string(i / 12) + "/deeper/file " + std::to_string(i) + ".gif"] =
            RandomBytes(1000 + 97 * static_cast<std::size_t>(i), static_cast<std::uint64_t>(i));
    }
    tree["film one.mp4"] = RandomBytes((6 << 20) + 3, 500);  // large enough for its pieces to grow
    tree["film two.mp4"] = RandomBytes((5 << 20) + 7, 501);
    tree["film three.mp4"] = RandomBytes((17 << 20) + 9, 502);  // large enough for two readers
    const std::string share = Server().ShareFolder() + "/web";
    WriteTree(share, tree);
    for (const auto& [path, bytes] : tree) {
        const struct timespec times[2] = {{0, UTIME_OMIT},
                                          {981173106, 123456000 + static_cast<long>(bytes.size() % 997)}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (share + "/" + path).c_str(), times, 0), 0);
    }
    // A link that holds each direction's data for a millisecond.
    DelayingProxy proxy(Server().Port(), 1ms);
    std::string drive;
    ASSERT_EQ(
        MapNetworkDrive("\\\\127.0.0.1:" + std::to_string(proxy.Port()) + "\\D$", User(), Password(), drive),
        0);
    TempDir local;
    const auto copy = [&](const std::string& folder, const std::string& destination, CopyMonitor* monitor) {
        FolderCopyOptions options;
        options.overwrite = true;
        options.skipUnchanged = true;
        options.monitor = monitor;
        options.workers = kWorkers;
        TheFileSystem().CopyFolder(drive + "/" + folder, destination, options);
    };

    // Every file whole with its time, over several connections, the totals told first and the
    // whole at the end; the workers' connections end with the copy.
    RecordingMonitor watch;
    copy("web", local / "web", &watch);
    EXPECT_TRUE(ReadTree(local / "web") == tree);
    for (const auto& [path, bytes] : tree) {
        EXPECT_EQ(MicrosecondsOf(local / ("web/" + path)), MicrosecondsOf(share + "/" + path)) << path;
    }
    EXPECT_GT(proxy.Traffic().connections, 1u) << "the files travelled over one connection";
    const CopyTotals total{FilesIn(tree),
                           (6 << 20) + 3 + (5 << 20) + 7 + (17 << 20) + 9 + 120 * 1000 + 97 * 119 * 120 / 2};
    const auto start = std::find_if(watch.reports.begin(), watch.reports.end(),
                                    [&](const CopyProgress& p) { return p.total == total; });
    ASSERT_NE(start, watch.reports.end());
    EXPECT_EQ(start->done, CopyTotals{});
    EXPECT_EQ(watch.reports.back().done, total);
    for (const CopyProgress& report : watch.reports) {
        ASSERT_LE(report.done.bytes, report.total.bytes) << "bytes of a file counted twice";
    }
    EXPECT_TRUE(SessionsEventuallyDropTo(1)) << "only the drive's own connection stays";

    // Again: nothing is fetched anew.
    const std::uint64_t fetched = proxy.Traffic().bytesFromTarget;
    copy("web", local / "web", nullptr);
    EXPECT_LT(proxy.Traffic().bytesFromTarget - fetched, 1u << 20) << "only the listing came";

    // Two files need one connection more, not one per worker.
    const FileTree pair = {{"one.gif", RandomBytes(300000, 601)}, {"two.gif", RandomBytes(200000, 602)}};
    WriteTree(Server().ShareFolder() + "/pair", pair);
    const std::uint64_t connections = proxy.Traffic().connections;
    copy("pair", local / "pair", nullptr);
    EXPECT_TRUE(ReadTree(local / "pair") == pair);
    EXPECT_LE(proxy.Traffic().connections - connections, 1u);

    // A large file beside a small one: the worker that has carried the small one comes free and
    // takes the large one's second half, which lands at its place; helping opens no connection.
    const FileTree film = {{"film.mp4", RandomBytes((30 << 20) + 1, 603)}, {"note.txt", "a note"}};
    WriteTree(Server().ShareFolder() + "/film", film);
    const std::uint64_t before = proxy.Traffic().connections;
    copy("film", local / "film", nullptr);
    EXPECT_TRUE(ReadTree(local / "film") == film);
    EXPECT_LE(proxy.Traffic().connections - before, 1u);
    EXPECT_TRUE(SessionsEventuallyDropTo(1));

    // Stopped: the files in hand are completed, no further one is started, nothing is half-written.
    std::uint64_t doneAtStop = 0;
    RecordingMonitor stopper([&](const CopyProgress& p) {
        if (doneAtStop == 0 && p.done.files >= 5) {
            doneAtStop = p.done.files;
        }
        return doneAtStop == 0;
    });
    EXPECT_EQ(ErrorNumberOf([&] { copy("web", local / "stopped", &stopper); }),
              PlatformError::kUserInterrupt);
    const FileTree stopped = ReadTree(local / "stopped");
    for (const auto& [path, bytes] : stopped) {
        ASSERT_TRUE(path.ends_with('/') || tree.contains(path)) << "left behind: " << path;
        EXPECT_TRUE(path.ends_with('/') || bytes == tree.at(path)) << path;
    }
    EXPECT_LE(FilesIn(stopped), doneAtStop + kWorkers) << "the copy went on after the files in hand";
    EXPECT_TRUE(SessionsEventuallyDropTo(1));

    // No room: a folder whose files need more than the destination's file system has left fails
    // before its first byte, the need and the room in the log before the folder's own entry.
    struct statvfs room {};
    ASSERT_EQ(::statvfs(local.Path().c_str(), &room), 0);
    const std::uint64_t huge = 2 * static_cast<std::uint64_t>(room.f_bavail) * room.f_frsize + (1ULL << 30);
    WriteTree(Server().ShareFolder() + "/roomy", {{"note.txt", "note!"}, {"huge.bin", ""}});
    std::filesystem::resize_file(Server().ShareFolder() + "/roomy/huge.bin", huge);  // sparse
    {
        const ScopedCurrentDirectory here(local.Path());
        const FileSizeLimit guard(16 << 20);  // a copy that started anyway fails, not the disk
        EXPECT_EQ(ErrorNumberOf([&] { CopyFolder(drive + "/roomy", local / "roomy", true); }),
                  ErrorCode::kCopyFolder);
    }
    EXPECT_EQ(FilesIn(ReadTree(local / "roomy")), 0u);
    const std::string log = ReadBytes(local / "Migration.log");
    EXPECT_THAT(
        log, ::testing::StartsWith("61 FileSystem\r\nThe folder's content was not copied: the copy needs " +
                                   ReadableSize(huge + 5) + ", but only "));
    EXPECT_THAT(log, ::testing::EndsWith(" are free at the destination.\r\n\r\n\r\n-2147221495 CopyFile\r\n"
                                         "Unable to copy Folder '" +
                                         drive + "/roomy' to '" + (local / "roomy") + "'.\r\n\r\n\r\n"));

    // The server going away mid-copy ends the copy at once; what arrived is complete.
    bool gone = false;
    RecordingMonitor ender([&](const CopyProgress& p) {
        if (!gone && p.done.files >= 10) {
            Server().Stop();
            gone = true;
        }
        return true;
    });
    EXPECT_EQ(ErrorNumberOf([&] { copy("web", local / "cut", &ender); }), PlatformError::kDiskNotReady);
    Server().Start();
    const FileTree cut = ReadTree(local / "cut");
    for (const auto& [path, bytes] : cut) {
        ASSERT_TRUE(path.ends_with('/') || tree.contains(path)) << "left behind: " << path;
        EXPECT_TRUE(path.ends_with('/') || bytes == tree.at(path)) << path;
    }
    EXPECT_LT(FilesIn(cut), FilesIn(tree));
}

}  // namespace
}  // namespace synvora::test
