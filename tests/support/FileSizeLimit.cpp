#include "FileSizeLimit.h"

#include <csignal>
#include <stdexcept>

namespace synvora::test {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    if (::getrlimit(RLIMIT_FSIZE, &m_previous) != 0) {
        throw std::runtime_error("cannot read the file size limit");
    }
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{bytes, m_previous.rlim_max};
    if (::setrlimit(RLIMIT_FSIZE, &limited) != 0) {
        std::signal(SIGXFSZ, m_previousHandler);
        throw std::runtime_error("cannot set the file size limit");
    }
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
}

}  // namespace synvora::test
