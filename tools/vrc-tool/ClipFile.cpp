#include "tools/vrc-tool/ClipFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/mem.h>
}

namespace vrctool {
namespace {
constexpr int kBuffer = 1 << 20;
} // namespace

ClipFile::~ClipFile()
{
    if (m_context) {
        av_freep(&m_context->buffer);
        avio_context_free(&m_context);
    }
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string ClipFile::Open(const std::string& path)
{
    if (!path.empty() && (m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) < 0)
        return std::string("cannot create the file: ") + std::strerror(errno);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBuffer));
    m_context = buffer ? avio_alloc_context(buffer, kBuffer, 1, this, nullptr, Write, nullptr) : nullptr;
    if (!m_context) {
        av_free(buffer);
        return "out of memory";
    }
    return {};
}

int ClipFile::Write(void* opaque, uint8_t* data, int size)
{
    auto* self = static_cast<ClipFile*>(opaque);
    if (self->m_error != 0)
        return AVERROR(self->m_error);
    for (int done = 0; self->m_fd >= 0 && done < size;) {
        const ssize_t n = ::write(self->m_fd, data + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            self->m_error = n < 0 ? errno : ENOSPC;
            return AVERROR(self->m_error);
        }
        done += static_cast<int>(n);
    }
    self->m_sha.Update(data, static_cast<size_t>(size));
    self->m_size += static_cast<uint64_t>(size);
    return size;
}

std::string ClipFile::Close()
{
    if (m_context)
        avio_flush(m_context);
    if (m_fd >= 0 && ::close(m_fd) != 0 && m_error == 0)
        m_error = errno;
    m_fd = -1;
    return m_error ? std::strerror(m_error) : std::string();
}

} // namespace vrctool
