#pragma once
#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace testsupport {

// While it lives, no file of this process may grow beyond the given size: a write that would
// pass it is cut short and the next one fails with EFBIG, as on a disk that has just filled up.
// The signal such a write raises is ignored, so the code under test sees the failed write.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    struct sigaction m_previousAction{};
};

} // namespace testsupport
