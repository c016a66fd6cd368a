#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace platform {
namespace {

FileIdentity FromStat(const struct stat& st)
{
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
            int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec,
            int64_t{st.st_ctim.tv_sec} * 1'000'000'000 + st.st_ctim.tv_nsec};
}

} // namespace

std::optional<FileIdentity> FileIdentity::OfPath(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

std::optional<FileIdentity> FileIdentity::OfDescriptor(int fd)
{
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

std::string FileIdentity::Change(const FileIdentity& before, const std::optional<FileIdentity>& now, bool status)
{
    if (!now)
        return "it is no longer there";
    if (now->device != before.device || now->inode != before.inode)
        return "another file has taken its name";
    if (now->size != before.size)
        return "its size went from " + std::to_string(before.size) + " to " + std::to_string(now->size) + " bytes";
    if (now->mtimeNs != before.mtimeNs)
        return "it was written to";
    if (status && now->ctimeNs != before.ctimeNs)
        return "its status changed: written to, renamed or given other times, owner or mode";
    return "";
}

} // namespace platform
