#include "ui/capture/BitmapFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "recording/LittleEndian.h"

namespace capture {
namespace {
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize; // no colour table above 8 bits
constexpr int32_t kBitsPerPixel = 32;

// Row length rounded up to whole 32-bit words, as every bitmap row is stored.
size_t StoredRowBytes(int32_t width, int32_t bitsPerPixel)
{
    return ((static_cast<size_t>(bitsPerPixel) * static_cast<size_t>(width) + 31) & ~size_t{31}) / 8;
}

void PutHeaders(uint8_t* p, int32_t width, int32_t height, uint32_t imageSize)
{
    using recording::PutU16;
    using recording::PutU32;
    p[0] = 'B';
    p[1] = 'M';
    PutU32(p + 2, kPixelOffset + imageSize);
    PutU16(p + 6, 0);
    PutU16(p + 8, 0);
    PutU32(p + 10, kPixelOffset);
    PutU32(p + 14, kInfoHeaderSize);
    PutU32(p + 18, static_cast<uint32_t>(width));
    PutU32(p + 22, static_cast<uint32_t>(height)); // positive: rows stored bottom row first
    PutU16(p + 26, 1);
    PutU16(p + 28, kBitsPerPixel);
    PutU32(p + 30, 0); // no compression
    PutU32(p + 34, imageSize);
    // Resolutions, colours used and colours important stay 0.
}

// Creates the file, never replacing one, and removes it again when it could not be written
// whole.
std::error_code WriteNew(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file)
        return {errno, std::generic_category()};
    std::error_code error;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        error = {errno, std::generic_category()};
    if (std::fclose(file) != 0 && !error)
        error = {errno, std::generic_category()};
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    return error;
}
} // namespace

std::error_code SaveBitmapFile(const QImage& bitmap, int32_t bitsPerPixel, const std::filesystem::path& path)
{
    if (bitsPerPixel != kBitsPerPixel || bitmap.isNull() || bitmap.format() != QImage::Format_RGB32)
        return std::make_error_code(std::errc::not_supported);
    const int32_t width = bitmap.width();
    const int32_t height = bitmap.height();
    const size_t rowBytes = StoredRowBytes(width, bitsPerPixel);
    const size_t imageSize = rowBytes * static_cast<size_t>(height);
    std::vector<uint8_t> block;
    try {
        block.assign(kPixelOffset + imageSize, 0);
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
    PutHeaders(block.data(), width, height, static_cast<uint32_t>(imageSize));
    uint8_t* pixels = block.data() + kPixelOffset;
    for (int32_t row = 0; row < height; ++row)
        std::memcpy(pixels + static_cast<size_t>(row) * rowBytes, bitmap.constScanLine(height - 1 - row), rowBytes);
    return WriteNew(path, block);
}

} // namespace capture
