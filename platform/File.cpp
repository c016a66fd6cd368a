#include "platform/File.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

File::~File() { Close(); }

File::File(File&& other) noexcept : m_fd(other.m_fd), m_position(other.m_position) { other.m_fd = -1; }

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_position = other.m_position;
        other.m_fd = -1;
    }
    return *this;
}

namespace {

// Why a file that opened is still no recording to read.
std::string NotRegularReason(const struct stat& st)
{
    if (S_ISDIR(st.st_mode))
        return std::strerror(EISDIR);
    if (S_ISFIFO(st.st_mode))
        return "it is a named pipe (FIFO), not a regular file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return "it is a device, not a regular file";
    if (S_ISSOCK(st.st_mode))
        return "it is a socket, not a regular file";
    return "it is not a regular file";
}

} // namespace

bool File::Open(const std::string& path)
{
    Close();
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        m_openError = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        m_openError = std::strerror(errno);
        Close();
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        m_openError = NotRegularReason(st);
        Close();
        return false;
    }
    m_openError.clear();
    m_position = 0;
    return true;
}

void File::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_position = 0;
}

File File::Duplicate() const
{
    File copy;
    if (m_fd >= 0)
        copy.m_fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    return copy;
}

bool File::Seek(uint64_t offset)
{
    if (m_fd < 0)
        return false;
    m_position = offset;
    return true;
}

size_t File::Read(void* buffer, size_t size)
{
    if (m_fd < 0 || size == 0)
        return 0;
    // pread keeps the position our own, so two File objects never disturb each other
    // even if they were to share a descriptor.
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
        ssize_t n = ::pread(m_fd, out + done, size - done, static_cast<off_t>(m_position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    m_position += done;
    return done;
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t size)
{
    return Seek(offset) ? Read(buffer, size) : 0;
}

int64_t File::Size() const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return -1;
    return st.st_size;
}

} // namespace platform
