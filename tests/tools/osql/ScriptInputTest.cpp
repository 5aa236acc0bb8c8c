#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "ScriptInput.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/posix/UniqueFd.h"

namespace synvora::osql {
namespace {

/// What reading the bytes through a pipe (an input whose size nobody knows beforehand) gives with
/// the limit: the bytes, or the refusal.
std::string ThroughAPipe(const std::string& bytes, std::size_t limit) {
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    UniqueFd reading(ends[0]);
    {
        const UniqueFd writing(ends[1]);
        EXPECT_EQ(::write(writing.Get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    try {
        return ReadScriptBytes(reading.Get(), "standard input", limit);
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
