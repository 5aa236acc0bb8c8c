// Watched folder copies through the process-wide file system, from a local folder and from a drive
// letter standing in for the share (on Linux the two engines: the local disk's own copy and the
// streamed copy between two file systems).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include "files/ErrorCodes.h"
#include "files/FileSystem.h"
#include "support/FileTree.h"
#include "support/TempDir.h"
#include "support/TestDrive.h"
#include "support/WebContent.h"

namespace synvora {
namespace {

using test::ErrorNumberOf;
using test::FileTree;
using test::ReadBytes;
using test::ReadTree;

// In 100 ns steps, which every system keeps.
constexpr FileTime kSourceTime = {981173106, 123456700};

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

/// true: the drive's folder is copied to the local disk; false: one local folder to another.
class FolderCopyTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        test::WriteTree(SourceFolder(), m_tree);
        for (const auto& [path, bytes] : m_tree) {
            if (!path.ends_with('/')) {
                SetSourceTime(path);
            }
        }
    }

    const std::string& SourceFolder() const { return GetParam() ? m_drive.Folder() : m_source.Path(); }
    std::string SourcePath(const std::string& path) const { return SourceFolder() + "/" + path; }

    void SetSourceTime(const std::string& path) {
        auto writer = m_fs.CreateFileWriter(SourcePath(path));
        writer->Write(m_fs.ReadFile(SourcePath(path)));
        writer->SetModificationTime(kSourceTime);
        writer->Commit(0644, true);
    }

    void Copy(const std::string& destination, bool skipUnchanged, CopyMonitor* monitor) {
        FolderCopyOptions options;
        options.overwrite = true;
        options.skipUnchanged = skipUnchanged;
        options.monitor = monitor;
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

TEST_P(FolderCopyTest, AWatchedCopyCountsKeepsTimesAndSkipsOnlyWritableUnchangedFiles) {
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
    for (auto report = start + 1; report != monitor.reports.end(); ++report) {
        EXPECT_GE(report->done.bytes, (report - 1)->done.bytes);
    }

    // Again: nothing is written anew, except a file whose source changed at the same size.
    const auto firstCopy = FileIds(destination);
    test::WriteBytes(SourcePath("a.txt"), "A");
    Copy(destination, true, nullptr);
    auto ids = FileIds(destination);
    EXPECT_NE(ids["a.txt"], firstCopy.at("a.txt"));
    ids.erase("a.txt");
    for (const auto& [path, id] : ids) {
        EXPECT_EQ(id, firstCopy.at(path)) << path << " was copied again";
    }
    EXPECT_EQ(ReadBytes(destination + "/a.txt"), "A");

    // A read-only destination file is refused even when it looks complete; the rest goes on.
    test::MakeReadOnly(destination + "/sub/b.txt");
    test::WriteBytes(SourcePath("a.txt"), "B");
    EXPECT_EQ(ErrorNumberOf([&] { Copy(destination, true, nullptr); }), PlatformError::kPermissionDenied);
    EXPECT_EQ(ReadBytes(destination + "/a.txt"), "B");
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
