#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ScriptInput.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"

namespace synvora::osql {
namespace {

/// An input whose size nobody knows beforehand (a pipe), handing its bytes out a few at a time.
class PipeLikeInput final : public ByteStream {
public:
    explicit PipeLikeInput(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::size_t Read(std::span<char> buffer) override {
        const std::size_t count = std::min({buffer.size(), m_bytes.size() - m_at, std::size_t{4}});
        std::copy_n(m_bytes.data() + m_at, count, buffer.data());
        m_at += count;
        return count;
    }
    void WriteAll(std::string_view) override {}
    std::optional<std::uint64_t> FileSize() override { return std::nullopt; }

private:
    std::string m_bytes;
    std::size_t m_at = 0;
};

/// What reading the bytes through such an input gives with the limit: the bytes, or the refusal.
std::string ThroughAPipe(const std::string& bytes, std::size_t limit) {
    PipeLikeInput input(bytes);
    try {
        return ReadScriptBytes(input, "standard input", limit);
    } catch (const MigrationError& refusal) {
        EXPECT_EQ(refusal.Number(), ErrorCode::kClientInput);
        return "refused: " + refusal.Description();
    }
}

TEST(ScriptInputTest, AnInputOfUnknownSizeIsCountedAsItComesAndRefusedBeyondTheLimit) {
    EXPECT_EQ(ThroughAPipe("SELECT 1\r\n", 10), "SELECT 1\r\n");
    EXPECT_EQ(ThroughAPipe("SELECT 1;\r\n", 10),
              "refused: standard input is larger than 0 MB; it is not a script, and nothing of it was run");
    EXPECT_EQ(
        ThroughAPipe(std::string("a\nb\r\nc\0", 7), 100),
        "refused: standard input holds a NUL byte on line 3; it is not a text script, and nothing of it was "
        "run");
}

}  // namespace
}  // namespace synvora::osql
