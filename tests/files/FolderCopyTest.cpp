// Watched folder copies, through both engines: the local disk's own copy, and the streamed copy
// between two file systems (a local folder mounted as a drive stands in for the share).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include "files/CopyFailures.h"
#include "files/ErrorCodes.h"
#include "files/LocalFileSystem.h"
#include "files/RoutingFileSystem.h"
#include "support/FileTree.h"
#include "support/TempDir.h"
#include "support/WebContent.h"

namespace synvora {
namespace {

using test::ErrorNumberOf;
using test::FileTree;
using test::ReadBytes;
using test::ReadTree;

constexpr struct timespec kSourceTime = {981173106, 123456789};

/// Records every report; answers what goOn says (always yes without it).
class RecordingMonitor final : public CopyMonitor {
public:
    explicit RecordingMonitor(std::function<bool(const CopyProgress&)> goOn = nullptr)
        : m_goOn(std::move(goOn)) {}
    bool Continue(const CopyProgress& progress) override {
        reports.push_back(progress);
        return !m_goOn || m_goOn(progress);
    }
    std::vector<CopyProgress> reports;

private:
    std::function<bool(const CopyProgress&)> m_goOn;
};

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

void SetSourceTime(const std::string& path) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, kSourceTime};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

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

/// true: the drive's folder is copied to the local disk (streamed); false: one local folder to
/// another (the kernel's copy).
class FolderCopyTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        test::WriteTree(m_source.Path(), m_tree);
        for (const auto& [path, bytes] : m_tree) {
            if (!path.ends_with('/')) {
                SetSourceTime(m_source / path);
            }
        }
        m_router.MountDrive('Y', std::make_shared<LocalFileSystem>(m_source.Path()));
    }

    void Copy(const std::string& destination, bool skipUnchanged, CopyMonitor* monitor) {
        FolderCopyOptions options;
        options.overwrite = true;
        options.skipUnchanged = skipUnchanged;
        options.monitor = monitor;
        // One file after the other, so that the monitor sees each piece as it arrives; several
        // at once are the network scenarios' concern.
        options.workers = 1;
        m_router.CopyFolder(GetParam() ? "Y:/" : m_source.Path(), destination, options);
    }

    std::map<std::string, ino_t> Inodes(const std::string& folder) const {
        std::map<std::string, ino_t> inodes;
        for (const auto& [path, bytes] : ReadTree(folder)) {
            inodes[path] = StatOf(folder + "/" + path).st_ino;
        }
        return inodes;
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
    test::TempDir m_local;
    RoutingFileSystem m_router;
};

TEST_P(FolderCopyTest, AWatchedCopyCountsKeepsTimesAndSkipsOnlyCompleteFiles) {
    const std::string destination = m_local / "copy";
    RecordingMonitor monitor;
    Copy(destination, true, &monitor);

    EXPECT_EQ(ReadTree(destination), m_tree);
    EXPECT_EQ(StatOf(destination + "/sub/b.txt").st_mtim.tv_nsec, kSourceTime.tv_nsec);
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

    // Again: nothing is written anew, except a file whose source changed at the same size and one
    // that differs from its source in its size alone. Temporary files that a killed copy left go;
    // those of a copy still running, and names that only look alike, stay.
    const auto firstCopy = Inodes(destination);
    test::WriteBytes(m_source / "a.txt", "A");
    test::WriteBytes(destination + "/sub/b.txt", "b");
    SetSourceTime(destination + "/sub/b.txt");
    const std::string running = ".synvora-" + std::to_string(::getpid()) + "-1-0.tmp";
    const FileTree debris = {{kLeftover, "part"},
                             {"sub/" + std::string(kLeftover), "part"},
                             {running, "in hand"},
                             {".synvora-2147483646-52110-7.tmp.keep", "mine"},
                             {".synvora-x-52110-7.tmp", "mine"}};
    test::WriteTree(destination, debris);
    Copy(destination, true, nullptr);
    auto inodes = Inodes(destination);
    for (const char* renewed : {"a.txt", "sub/b.txt"}) {
        EXPECT_NE(inodes[renewed], firstCopy.at(renewed)) << renewed;
        inodes.erase(renewed);
    }
    for (const auto& [path, inode] : inodes) {
        EXPECT_TRUE(debris.contains(path) || inode == firstCopy.at(path)) << path << " was copied again";
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
    ::chmod((destination + "/big.bin").c_str(), 0444);
    ::chmod((destination + "/sub/b.txt").c_str(), 0444);
    test::WriteBytes(m_source / "sub/b.txt", "BB");
    test::WriteBytes(m_source / "a.txt", "B");
    EXPECT_EQ(CauseOf([&] { Copy(destination, true, nullptr); }),
              "The file 'sub/b.txt' was not copied: the file at the destination is read-only.");
    EXPECT_EQ(ReadBytes(destination + "/a.txt"), "B");
    EXPECT_EQ(ReadBytes(destination + "/sub/b.txt"), "bb");
    EXPECT_EQ(StatOf(destination + "/big.bin").st_ino, firstCopy.at("big.bin"));
}

TEST_P(FolderCopyTest, ALinkInTheDestinationIsNeverWrittenThrough) {
    test::TempDir other;
    const FileTree others = {{"b.txt", "someone else's"}, {"elsewhere.txt", "someone else's file"}};
    test::WriteTree(other.Path(), others);
    // Links placed before the copy: one where the source has a folder, one where it has a file.
    const std::string destination = m_local / "copy";
    test::WriteTree(destination, {{"a.txt", ""}});
    std::filesystem::remove(destination + "/a.txt");
    ASSERT_EQ(::symlink(other.Path().c_str(), (destination + "/sub").c_str()), 0);
    ASSERT_EQ(::symlink((other / "elsewhere.txt").c_str(), (destination + "/a.txt").c_str()), 0);

    EXPECT_EQ(CauseOf([&] { Copy(destination, true, nullptr); }),
              "The folder 'sub' was not copied: a link stands where the folder should be, and the copy does "
              "not write through links.");
    EXPECT_EQ(ReadTree(other.Path()), others);
    EXPECT_TRUE(std::filesystem::is_symlink(destination + "/sub"));
    EXPECT_FALSE(std::filesystem::is_symlink(destination + "/a.txt"));
    EXPECT_EQ(ReadBytes(destination + "/a.txt"), "a");
    EXPECT_TRUE(ReadBytes(destination + "/big.bin") == m_tree.at("big.bin"));

    // A link that takes the destination's place once the copy runs leads nowhere either: the copy
    // goes on in the folder it opened.
    const std::string later = m_local / "later";
    bool swapped = false;
    RecordingMonitor swapper([&](const CopyProgress& p) {
        if (!swapped && p.done.files > 0) {
            std::filesystem::rename(later, later + " moved");
            swapped = ::symlink(other.Path().c_str(), later.c_str()) == 0;
        }
        return true;
    });
    Copy(later, false, &swapper);
    EXPECT_TRUE(swapped);
    EXPECT_EQ(ReadTree(other.Path()), others);
    EXPECT_TRUE(ReadTree(later + " moved") == m_tree);
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
            const int fd = ::open((m_source / "big.bin").c_str(), O_WRONLY);
            EXPECT_EQ(::pwrite(fd, rewritten.data(), 1, 0), 1);
            ::close(fd);
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
            const int fd = ::open((m_source / "big.bin").c_str(), O_WRONLY | O_APPEND);
            EXPECT_EQ(::write(fd, "+", 1), 1);
            ::close(fd);
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
    EXPECT_TRUE(!std::filesystem::exists(early) || std::filesystem::is_empty(early));

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
                         [](const auto& info) { return info.param ? "Streamed" : "Local"; });

}  // namespace
}  // namespace synvora
