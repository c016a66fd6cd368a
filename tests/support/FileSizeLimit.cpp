#include "support/FileSizeLimit.h"

#include <stdexcept>

namespace testsupport {

FileSizeLimit::FileSizeLimit(uint64_t bytes)
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &m_previous) != 0 || ::sigaction(SIGXFSZ, &ignore, &m_previousAction) != 0)
        throw std::runtime_error("cannot limit the file size");
    limit.rlim_cur = bytes;
    limit.rlim_max = m_previous.rlim_max;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        throw std::runtime_error("cannot limit the file size");
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_previous);
    ::sigaction(SIGXFSZ, &m_previousAction, nullptr);
}

} // namespace testsupport
