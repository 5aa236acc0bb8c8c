#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "files/FileSystem.h"
#include "files/LargeFileParts.h"

namespace synvora {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

/// Never written to: the parts' bookkeeping alone is under test.
class UnusedWriter final : public FileWriter {
public:
    void Write(std::string_view) override {}
    void SetModificationTime(FileTime) override {}
    void Commit(unsigned, bool) override {}
};

TEST(LargeFilePartsTest, OwnerAndHelperShareTheFileWithoutGapOrOverlap) {
    UnusedWriter writer;
    const std::uint64_t size = 40 * kMiB + 123;
    LargeFileParts parts(size, writer, nullptr);
    std::uint64_t owner = 0;
    owner += parts.OwnerPiece(owner, 3 * kMiB);  // asked for, but not yet read: stays the owner's
    const auto part = parts.TakeSecondHalf();
    ASSERT_TRUE(part.has_value());
    EXPECT_FALSE(parts.TakeSecondHalf().has_value()) << "one helper per file";
    EXPECT_GE(part->start, 3 * kMiB);
    EXPECT_EQ(part->start % (64 << 10), 0u);
    EXPECT_EQ(part->end, size);
    EXPECT_NEAR(static_cast<double>(part->start), (3 * kMiB + size) / 2.0, 64 << 10);

    while (const std::size_t piece = parts.OwnerPiece(owner, 6 * kMiB)) {
        owner += piece;
    }
    std::uint64_t helper = part->start;
    while (const std::size_t piece = parts.HelperPiece(*part, helper, 6 * kMiB)) {
        helper += piece;
    }
    EXPECT_EQ(owner, part->start);
    EXPECT_EQ(helper, size);
    parts.HelperDone({helper - part->start, 4}, nullptr);
    const Streamed helped = parts.Finish();
    EXPECT_EQ(helped.bytes, size - part->start);
    EXPECT_EQ(helped.pieces, 4);
}

TEST(LargeFilePartsTest, NoHelperForLittleLeftOrAfterTheOwnerIsOver) {
    UnusedWriter writer;
    LargeFileParts small(7 * kMiB, writer, nullptr);
    EXPECT_FALSE(small.TakeSecondHalf().has_value());
    LargeFileParts nearlyRead(40 * kMiB, writer, nullptr);
    EXPECT_EQ(nearlyRead.OwnerPiece(0, 33 * kMiB), 33 * kMiB);
    EXPECT_FALSE(nearlyRead.TakeSecondHalf().has_value());
    LargeFileParts finished(40 * kMiB, writer, nullptr);
    EXPECT_EQ(finished.Finish().bytes, 0u);
    EXPECT_FALSE(finished.TakeSecondHalf().has_value());
}

TEST(LargeFilePartsTest, AHelpersFailureStopsTheOwnerAndTheOwnersFailureStopsTheHelper) {
    UnusedWriter writer;
    LargeFileParts failing(40 * kMiB, writer, nullptr);
    ASSERT_TRUE(failing.TakeSecondHalf().has_value());
    failing.HelperDone({}, std::make_exception_ptr(std::runtime_error("connection gone")));
    EXPECT_THROW(failing.OwnerPiece(0, kMiB), std::runtime_error);
    EXPECT_THROW(failing.Finish(), std::runtime_error);

    // The owner that leaves waits for the helper's piece in hand; the helper's next piece is none.
    LargeFileParts abandoned(40 * kMiB, writer, nullptr);
    const auto part = abandoned.TakeSecondHalf();
    ASSERT_TRUE(part.has_value());
    auto owner = std::async(std::launch::async, [&] { abandoned.Abandon(); });
    EXPECT_EQ(owner.wait_for(50ms), std::future_status::timeout) << "the owner left a helper writing";
    while (abandoned.HelperPiece(*part, part->start, kMiB) != 0) {
        std::this_thread::sleep_for(1ms);
    }
    abandoned.HelperDone({kMiB, 1}, nullptr);
    EXPECT_EQ(owner.wait_for(5s), std::future_status::ready);
}

}  // namespace
}  // namespace synvora
