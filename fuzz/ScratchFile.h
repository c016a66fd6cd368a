#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Writes a fuzz input as the whole of a file of this process's own (one per target name),
// since the readers under test take a path. Empty when the file cannot be written.
std::string WriteScratchFile(const char* target, const uint8_t* data, size_t size);

} // namespace fuzz
