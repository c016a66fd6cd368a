#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// A fuzz input written as the whole of a file of this process's own (one per target name),
// since the readers under test take a path. The file goes with the object, so a fuzzing run
// leaves nothing behind in the temporary folder.
class ScratchFile {
public:
    ScratchFile(const char* target, const uint8_t* data, size_t size);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Empty when the file could not be written.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace fuzz
