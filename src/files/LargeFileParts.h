#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>

namespace synvora {

class FileInFlight;
class FileWriter;

/// What one reader of a file read: its bytes, in how many pieces.
struct Streamed {
    std::uint64_t bytes = 0;
    int pieces = 0;
};

/// A large file that two workers of a copy read side by side, each over a connection of its own:
/// over a link with a round trip of 10 ms one connection waits for each piece in turn, and the
/// last large file of a copy would otherwise keep one connection busy while the others have
/// nothing left to do. The file's owner reads from its start; a helper that comes free meanwhile
/// takes the second half of what the owner has not yet read, reads it from there and writes it at
/// its place in the owner's new file. The owner commits the file only once both parts are in, and
/// one failure fails the file.
class LargeFileParts {
public:
    struct Part {
        std::uint64_t start = 0;
        std::uint64_t end = 0;
    };

    /// The writer and the count (nullptr when nobody watches) stay the owner's: a helper uses them
    /// only while it holds a part, and the owner waits for that before it lets them go.
    LargeFileParts(std::uint64_t size, FileWriter& writer, FileInFlight* count);
    LargeFileParts(const LargeFileParts&) = delete;
    LargeFileParts& operator=(const LargeFileParts&) = delete;

    FileWriter& Writer() const noexcept { return m_writer; }
    FileInFlight* Count() const noexcept { return m_count; }

    /// The owner's next piece: how many bytes it may read from `position` (at most `wanted`); 0
    /// once its part is read. Raises the helper's failure, so that the owner stops early.
    std::size_t OwnerPiece(std::uint64_t position, std::size_t wanted);

    /// A helper's part: the second half of what the owner has not yet asked for, or nothing when
    /// the owner is over, a helper came before, or too little is left to be worth a second reader.
    std::optional<Part> TakeSecondHalf();
    /// The helper's next piece: how many bytes from `position` (at most `wanted`); 0 at the end of
    /// its part, and once the owner has given the file up.
    std::size_t HelperPiece(const Part& part, std::uint64_t position, std::size_t wanted) const;
    /// The helper's part is over: what it read (short of its end when the file was shorter than
    /// listed), or its failure.
    void HelperDone(Streamed read, std::exception_ptr failure);

    /// The owner's part is read: no helper takes a part any more. Waits for one that has, and
    /// returns what it read, or raises its failure.
    Streamed Finish();
    /// The owner leaves by a failure: a helper stops after the piece in hand, and this waits for it.
    void Abandon() noexcept;

private:
    FileWriter& m_writer;
    FileInFlight* m_count;
    mutable std::mutex m_mutex;
    std::condition_variable m_helperDone;
    std::uint64_t m_ownerEnd;        // the end of the owner's part: the file's, until a helper came
    std::uint64_t m_ownerAsked = 0;  // how far the owner has asked to read
    bool m_closed = false;           // no helper takes a part any more
    bool m_abandoned = false;
    bool m_helping = false;
    Streamed m_helped;
    std::exception_ptr m_helperFailure;
};

/// Abandons the parts unless the owner finished them, so that no helper writes into a file that
/// the owner's failure has removed.
class AbandonParts {
public:
    explicit AbandonParts(LargeFileParts& parts) : m_parts(parts) {}
    AbandonParts(const AbandonParts&) = delete;
    AbandonParts& operator=(const AbandonParts&) = delete;
    ~AbandonParts() { m_parts.Abandon(); }

private:
    LargeFileParts& m_parts;
};

}  // namespace synvora
