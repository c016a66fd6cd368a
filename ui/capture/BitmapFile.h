#pragma once
#include <cstdint>
#include <filesystem>

#include <QImage>

namespace capture {

// Writes the upright 32-bit bitmap as an uncompressed bitmap file (54 bytes of headers,
// then the rows bottom row first), replacing a file of that name. Only 32 bits per pixel
// are written: any other depth, a bitmap of another format or a file that cannot be
// written gives false and leaves no file behind.
bool SaveBitmapFile(const QImage& bitmap, int32_t bitsPerPixel, const std::filesystem::path& path);

} // namespace capture
