#include "tools/vrc-tool/SourceGuard.h"

#include <filesystem>
#include <sys/stat.h>

namespace vrctool {
namespace {

std::string Resolved(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return ec ? std::filesystem::path(path).lexically_normal().string() : p.string();
}

} // namespace

SourceGuard::SourceGuard(const std::string& source) : m_resolved(Resolved(source))
{
    struct stat s {};
    if (::stat(source.c_str(), &s) == 0) {
        m_device = s.st_dev;
        m_inode = s.st_ino;
        m_known = true;
    }
}

bool SourceGuard::IsSource(const std::string& path) const
{
    struct stat s {};
    if (::stat(path.c_str(), &s) == 0)
        return m_known && s.st_dev == m_device && s.st_ino == m_inode;
    return Resolved(path) == m_resolved;
}

} // namespace vrctool
