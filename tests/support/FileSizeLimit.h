#pragma once

#include <sys/resource.h>

namespace synvora::test {

/// For the scope, writes beyond the given file size fail (EFBIG) as on a disk that refuses more
/// data; this holds for root as well. The signal the kernel sends on such a write is ignored
/// meanwhile.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit();

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

}  // namespace synvora::test
