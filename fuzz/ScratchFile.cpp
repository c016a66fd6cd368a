#include "fuzz/ScratchFile.h"

#include <cstdio>
#include <unistd.h>

namespace fuzz {

ScratchFile::ScratchFile(const char* target, const uint8_t* data, size_t size)
{
    const std::string path = "/tmp/kelvora-" + std::string(target) + "-" + std::to_string(::getpid()) + ".vrc";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    const bool written = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) == 0 && written)
        m_path = path;
    else
        std::remove(path.c_str());
}

ScratchFile::~ScratchFile()
{
    if (!m_path.empty())
        std::remove(m_path.c_str());
}

} // namespace fuzz
