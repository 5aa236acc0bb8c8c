#include "LargeFileParts.h"

#include <algorithm>

namespace synvora {
namespace {

// A helper that would get less than this is not worth the round trips of its own start.
constexpr std::uint64_t kSmallestHelpedPart = std::uint64_t{4} << 20;
// The helper's part starts on this boundary, as reads of whole blocks of the file do.
constexpr std::uint64_t kPartAlignment = std::uint64_t{64} << 10;

}  // namespace

LargeFileParts::LargeFileParts(std::uint64_t size, FileWriter& writer, FileInFlight* count)
    : m_writer(writer), m_count(count), m_ownerEnd(size) {}

std::size_t LargeFileParts::OwnerPiece(std::uint64_t position, std::size_t wanted) {
    const std::lock_guard lock(m_mutex);
    if (m_helperFailure) {
        std::rethrow_exception(m_helperFailure);
    }
    const std::uint64_t left = position < m_ownerEnd ? m_ownerEnd - position : 0;
    const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, left));
    m_ownerAsked = std::max(m_ownerAsked, position + piece);
    return piece;
}

std::optional<LargeFileParts::Part> LargeFileParts::TakeSecondHalf() {
    const std::lock_guard lock(m_mutex);
    if (m_closed || m_ownerAsked >= m_ownerEnd || m_ownerEnd - m_ownerAsked < 2 * kSmallestHelpedPart) {
        return std::nullopt;
    }
    const std::uint64_t middle =
        (m_ownerAsked + (m_ownerEnd - m_ownerAsked) / 2) / kPartAlignment * kPartAlignment;
    const Part part{std::max(middle, m_ownerAsked), m_ownerEnd};
    m_ownerEnd = part.start;
    m_helping = true;
    m_closed = true;  // one helper per file
    return part;
}

std::size_t LargeFileParts::HelperPiece(const Part& part, std::uint64_t position, std::size_t wanted) const {
    const std::lock_guard lock(m_mutex);
    if (m_abandoned || position >= part.end) {
        return 0;
    }
    return static_cast<std::size_t>(std::min<std::uint64_t>(wanted, part.end - position));
}

void LargeFileParts::HelperDone(Streamed read, std::exception_ptr failure) {
    {
        const std::lock_guard lock(m_mutex);
        m_helped = read;
        m_helperFailure = failure;
        m_helping = false;
    }
    m_helperDone.notify_all();
}

Streamed LargeFileParts::Finish() {
    std::unique_lock lock(m_mutex);
    m_closed = true;
    m_helperDone.wait(lock, [this] { return !m_helping; });
    if (m_helperFailure) {
        std::rethrow_exception(m_helperFailure);
    }
    return m_helped;
}

void LargeFileParts::Abandon() noexcept {
    std::unique_lock lock(m_mutex);
    m_closed = true;
    m_abandoned = true;
    m_helperDone.wait(lock, [this] { return !m_helping; });
}

}  // namespace synvora
