#pragma once
#include <cstdint>
#include <filesystem>
#include <system_error>

#include <QImage>

namespace capture {

// Writes the upright 32-bit bitmap as an uncompressed bitmap file (54 bytes of headers,
// then the rows bottom row first) under a name that no file has yet: an existing file is
// never replaced (file_exists). Only 32 bits per pixel are written (else not_supported).
// The result is empty when the whole file was written; on any failure no file is left.
std::error_code SaveBitmapFile(const QImage& bitmap, int32_t bitsPerPixel, const std::filesystem::path& path);

} // namespace capture
