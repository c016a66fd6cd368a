#pragma once
#include <string>

namespace vrctool {

// Keeps an export from ever writing over the recording it reads: an output, its .part or
// its manifest that is the source under another name, a link or a hard link is refused,
// whatever --force says.
class SourceGuard {
public:
    explicit SourceGuard(const std::string& source);

    // True when writing `path` would touch the source: the same device and inode once links
    // are resolved, or, while `path` does not exist yet, the same resolved path.
    bool IsSource(const std::string& path) const;

private:
    std::string m_resolved;
    unsigned long long m_device = 0;
    unsigned long long m_inode = 0;
    bool m_known = false;
};

} // namespace vrctool
