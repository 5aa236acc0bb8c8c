// Watched folder copies through the process-wide file system, from a local folder and from a drive
// letter standing in for the share (on Linux the two engines: the local disk's own copy and the
// streamed copy between two file systems).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

#include "files/CopyFailures.h"
#include "files/ErrorCodes.h"
#include "files/FileSystem.h"
#include "files/TemporaryNames.h"
#include "support/FileTree.h"
#include "support/RecordingMonitor.h"
#include "support/TempDir.h"
#include "support/TestDrive.h"
#include "support/WebContent.h"

namespace synvora {
namespace {

using test::ErrorNumberOf;
using test::FileTree;
using test::ReadBytes;
using test::ReadTree;
using test::RecordingMonitor;

// In 100 ns steps, which every system keeps.
constexpr FileTime kSourceTime = {981173106, 123456700};

/// The cause a folder copy gives for its first failure; "" when it raises nothing of the kind.
template <typename Call>
std::string CauseOf(Call&& call) {
    try {
        call();
    } catch (const FolderCopyError& failure) {
        return failure.Cause();
    }
    return "";
}

/// A temporary name as a copy in a process that has ended gave it (no process has this id).
constexpr const char* kLeftover = ".synvora-2147483646-52110-7.tmp";

/// Writes bytes over a file's own, from its start, without making it anew.
void Overwrite(const std::string& path, std::string_view bytes) {
    std::fstream file(test::FsPath(path), std::ios::in | std::ios::out | std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(file.good()) << path;
}

void Append(const std::string& path, std::string_view bytes) {
    std::ofstream file(test::FsPath(path), std::ios::app | std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(file.good()) << path;
}

/// true: the drive's folder is copied to the local disk; false: one local folder to another (on
/// Linux the streamed copy and the kernel's copy).
class FolderCopyTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        test::WriteTree(SourceFolder(), m_tree);
        for (const auto& [path, bytes] : m_tree) {
            if (!path.ends_with('/')) {
                test::SetModificationTime(SourcePath(path), kSourceTime);
            }
        }
    }

    const std::string& SourceFolder() const { return GetParam() ? m_drive.Folder() : m_source.Path(); }
    std::string SourcePath(const std::string& path) const { return SourceFolder() + "/" + path; }

    // One file after the other unless told otherwise, so that the monitor sees each piece as it
    // arrives.
    void Copy(const std::string& destination, bool skipUnchanged, CopyMonitor* monitor,
              unsigned workers = 1) {
        FolderCopyOptions options;
        options.overwrite = true;
        options.skipUnchanged = skipUnchanged;
        options.monitor = monitor;
        options.workers = workers;
        m_fs.CopyFolder(GetParam() ? test::TestDrive::Letter() + "\\" : m_source.Path(), destination,
                        options);
    }

    std::map<std::string, std::uint64_t> FileIds(const std::string& folder) const {
        std::map<std::string, std::uint64_t> ids;
        for (const auto& [path, bytes] : ReadTree(folder)) {
            ids[path] = test::FileIdOf(folder + "/" + path);
        }
        return ids;
    }

    /// A copy that goes on while the monitor is inside big.bin, between its 1 MiB pieces.
    static bool InsideBigFile(const CopyProgress& p) {
        return p.done.bytes >= (1 << 20) && p.done.bytes < (3 << 20);
    }

    const FileTree m_tree = {{"big.bin", test::RandomBytes((3 << 20) + 5, 1)},
                             {"a.txt", "a"},
                             {"sub/b.txt", "bb"},
                             {"sub/empty.txt", ""},
                             {"sub/deeper/", ""}};
    const std::uint64_t m_totalBytes = (3 << 20) + 5 + 1 + 2;
    test::TempDir m_source;
    test::TestDrive m_drive;
    test::TempDir m_local;
    FileSystem& m_fs = TheFileSystem();
};

TEST_P(FolderCopyTest, AWatchedCopyCountsKeepsTimesAndSkipsOnlyCompleteFiles) {
    const std::string destination = m_local / "copy";
    RecordingMonitor monitor;
    Copy(destination, true, &monitor);

    EXPECT_EQ(ReadTree(destination), m_tree);
    EXPECT_EQ(m_fs.Inspect(destination + "/sub/b.txt")->modified, kSourceTime);
    // While the tree is listed, what has been found so far; then the whole, before the first file,
    // after each file, and between the 1 MiB pieces of the large one.
    ASSERT_FALSE(monitor.reports.empty());
    EXPECT_EQ(monitor.reports.front().done.files, 0u);
    const auto start = std::find_if(monitor.reports.begin(), monitor.reports.end(),
                                    [](const CopyProgress& p) { return p.total.files == 4u; });
    ASSERT_NE(start, monitor.reports.end());
    EXPECT_EQ(start->total.bytes, m_totalBytes);
    EXPECT_EQ(monitor.reports.back().done.bytes, m_totalBytes);
    EXPECT_EQ(monitor.reports.back().done.files, 4u);
    EXPECT_GE(monitor.reports.end() - start, 1 + 4 + 3);
    int withinAFile = 0;
    for (auto report = start + 1; report != monitor.reports.end(); ++report) {
        EXPECT_GE(report->done.bytes, (report - 1)->done.bytes);
        withinAFile +=
            report->done.files == (report - 1)->done.files && report->done.bytes > (report - 1)->done.bytes;
    }
    EXPECT_GE(withinAFile, 3) << "the pieces of big.bin count as they arrive";

    // The room the destination tells is the room this user has on its volume (a copy that would
    // not fit is refused by it; other tests write meanwhile, hence the margin).
    const auto room = m_fs.OpenDestinationFolder(destination)->FreeSpace();
    ASSERT_TRUE(room.has_value());
    const std::uint64_t available = std::filesystem::space(destination).available;
    EXPECT_LT(std::max(*room, available) - std::min(*room, available), 256ULL << 20);

    // Again, on several workers: nothing is written anew, except a file whose source changed at the
    // same size and one that differs from its source in its size alone. Temporary files that a
    // killed copy left go; those of a copy still running, and names that only look alike, stay.
    const auto firstCopy = FileIds(destination);
    test::WriteBytes(SourcePath("a.txt"), "A");
    test::WriteBytes(destination + "/sub/b.txt", "b");
    test::SetModificationTime(destination + "/sub/b.txt", kSourceTime);
    const std::string running = ".synvora-" + std::to_string(CurrentProcessId()) + "-1-0.tmp";
    const FileTree debris = {{kLeftover, "part"},
                             {"sub/" + std::string(kLeftover), "part"},
                             {running, "in hand"},
                             {".synvora-2147483646-52110-7.tmp.keep", "mine"},
                             {".synvora-x-52110-7.tmp", "mine"}};
    test::WriteTree(destination, debris);
    Copy(destination, true, nullptr, 4);
    auto ids = FileIds(destination);
    for (const char* renewed : {"a.txt", "sub/b.txt"}) {
        EXPECT_NE(ids[renewed], firstCopy.at(renewed)) << renewed;
        ids.erase(renewed);
    }
    for (const auto& [path, id] : ids) {
        EXPECT_TRUE(debris.contains(path) || id == firstCopy.at(path)) << path << " was copied again";
    }
    FileTree expected = m_tree;
    expected["a.txt"] = "A";
    for (const auto& [path, bytes] : debris) {
        if (!path.ends_with(kLeftover)) {
            expected[path] = bytes;
        }
    }
    EXPECT_TRUE(ReadTree(destination) == expected);

    // A read-only destination file is kept when it is complete, and refused when it would have to
    // be replaced; the rest goes on.
    test::MakeReadOnly(destination + "/big.bin");
    test::MakeReadOnly(destination + "/sub/b.txt");
    test::WriteBytes(SourcePath("sub/b.txt"), "BB");
    test::WriteBytes(SourcePath("a.txt"), "B");
    EXPECT_EQ(CauseOf([&] { Copy(destination, true, nullptr, 4); }),
              "The file 'sub/b.txt' was not copied: the file at the destination is read-only.");
    EXPECT_EQ(ReadBytes(destination + "/a.txt"), "B");
    EXPECT_EQ(ReadBytes(destination + "/sub/b.txt"), "bb");
    EXPECT_EQ(test::FileIdOf(destination + "/big.bin"), firstCopy.at("big.bin"));
}

TEST_P(FolderCopyTest, ALargeFileReadBySeveralWorkersArrivesWholeWithItsTime) {
    // The worker that has carried the small files comes free while the large one is read, and
    // reads its second half into the same new file.
    const std::string film = test::RandomBytes((24 << 20) + 3, 9);
    test::WriteBytes(SourcePath("film.mp4"), film);
    test::SetModificationTime(SourcePath("film.mp4"), kSourceTime);
    const std::string destination = m_local / "copy";
    RecordingMonitor monitor;
    Copy(destination, true, &monitor, 4);

    FileTree expected = m_tree;
    expected["film.mp4"] = film;
    EXPECT_TRUE(ReadTree(destination) == expected);
    EXPECT_EQ(m_fs.Inspect(destination + "/film.mp4")->modified, kSourceTime);
    EXPECT_EQ(monitor.reports.back().done, (CopyTotals{5, m_totalBytes + film.size()}));
}

TEST_P(FolderCopyTest, ALinkInTheDestinationIsNeverWrittenThrough) {
    test::TempDir other;
    const FileTree others = {{"b.txt", "someone else's"}, {"elsewhere.txt", "someone else's file"}};
    test::WriteTree(other.Path(), others);
    // Links placed before the copy: one where the source has a folder, one where it has a file.
    const std::string destination = m_local / "copy";
    test::WriteTree(destination, {{"a.txt", ""}});
    std::filesystem::remove(destination + "/a.txt");
    if (!test::MakeLink(other.Path(), destination + "/sub")) {
        GTEST_SKIP() << "this system makes no symbolic links (Wine reports success and makes none)";
    }
    ASSERT_TRUE(test::MakeLink(other / "elsewhere.txt", destination + "/a.txt"));

    EXPECT_EQ(CauseOf([&] { Copy(destination, true, nullptr, 4); }),
              "The folder 'sub' was not copied: a link stands where the folder should be, and the copy does "
              "not write through links.");
    EXPECT_EQ(ReadTree(other.Path()), others);
    EXPECT_TRUE(test::IsLink(destination + "/sub"));
    EXPECT_FALSE(test::IsLink(destination + "/a.txt"));
    EXPECT_EQ(ReadBytes(destination + "/a.txt"), "a");
    EXPECT_TRUE(ReadBytes(destination + "/big.bin") == m_tree.at("big.bin"));

    // A link that takes the destination's place once the copy runs leads nowhere either: the copy
    // goes on in the folder it opened.
    const std::string later = m_local / "later";
    bool swapped = false;
    bool held = false;
    RecordingMonitor swapper([&](const CopyProgress& p) {
        if (!swapped && p.done.files > 0) {
            // Windows refuses to rename a folder that a copy holds open: nothing to swap there.
            std::error_code refused;
            std::filesystem::rename(test::FsPath(later), test::FsPath(later + " moved"), refused);
            swapped = refused ? (held = true) : test::MakeLink(other.Path(), later);
        }
        return true;
    });
    Copy(later, false, &swapper);
    EXPECT_TRUE(swapped);
    EXPECT_EQ(ReadTree(other.Path()), others);
    EXPECT_TRUE(ReadTree(held ? later : later + " moved") == m_tree);
}

TEST_P(FolderCopyTest, AFileThatChangesWhileItIsCopiedArrivesAsItIsThenOrNotAtAll) {
    // Rewritten in place once while its first copy runs (same size, a new time): the second copy
    // takes it as it is then.
    const std::string once = m_local / "once";
    std::string rewritten = m_tree.at("big.bin");
    rewritten[0] = static_cast<char>(~rewritten[0]);
    bool changed = false;
    RecordingMonitor writer([&](const CopyProgress& p) {
        if (!changed && InsideBigFile(p)) {
            Overwrite(SourcePath("big.bin"), rewritten.substr(0, 1));
            changed = true;
        }
        return true;
    });
    Copy(once, true, &writer);
    EXPECT_TRUE(changed);
    FileTree expected = m_tree;
    expected["big.bin"] = rewritten;
    EXPECT_TRUE(ReadTree(once) == expected);

    // Growing all the time: the file fails by name, the others arrive, nothing of it is left.
    const std::string restless = m_local / "restless";
    RecordingMonitor appender([&](const CopyProgress& p) {
        if (InsideBigFile(p)) {
            Append(SourcePath("big.bin"), "+");
        }
        return true;
    });
    EXPECT_EQ(CauseOf([&] { Copy(restless, true, &appender); }),
              "The file 'big.bin' was not copied: the file changed while it was copied.");
    expected = m_tree;
    expected.erase("big.bin");
    EXPECT_EQ(ReadTree(restless), expected);
}

TEST_P(FolderCopyTest, AStopEndsTheCopyAfterTheFileInHandWithNothingHalfWritten) {
    // A stop while the tree is still listed copies nothing.
    const std::string early = m_local / "early";
    RecordingMonitor listing([](const CopyProgress&) { return false; });
    EXPECT_EQ(ErrorNumberOf([&] { Copy(early, false, &listing); }), PlatformError::kUserInterrupt);
    EXPECT_TRUE(!std::filesystem::exists(test::FsPath(early)) ||
                std::filesystem::is_empty(test::FsPath(early)));

    // A stop at the second report with bytes done.
    const std::string destination = m_local / "copy";
    int withBytes = 0;
    RecordingMonitor monitor(
        [&withBytes](const CopyProgress& p) { return p.done.bytes == 0 || ++withBytes < 2; });
    EXPECT_EQ(ErrorNumberOf([&] { Copy(destination, false, &monitor); }), PlatformError::kUserInterrupt);

    const FileTree arrived = ReadTree(destination);
    std::size_t files = 0;
    for (const auto& [path, bytes] : arrived) {
        ASSERT_TRUE(m_tree.contains(path)) << "left behind: " << path;
        EXPECT_TRUE(bytes == m_tree.at(path)) << path;
        files += path.ends_with('/') ? 0 : 1;
    }
    EXPECT_GE(files, 1u);
    EXPECT_LE(files, 3u) << "the copy went on after the stop";
}

INSTANTIATE_TEST_SUITE_P(Engines, FolderCopyTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FromDrive" : "Local"; });

}  // namespace
}  // namespace synvora
