#include "platform/BitmapFormat.h"

namespace {

const size_t kFileHeaderSize = 14;
const uint32_t kPlain = 0;      // BI_RGB
const uint32_t kBitFields = 3;  // BI_BITFIELDS

uint16_t Read16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Read32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IsKnownInfoSize(uint32_t size)
{
    // BITMAPINFOHEADER, its two extensions with masks, BITMAPV4HEADER, BITMAPV5HEADER.
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

}  // namespace

bool CheckBitmapFile(const unsigned char* data, size_t size, TBitmapFileLayout& layout)
{
    if (!data || size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint64_t fileSize = Read32(data + 2);
    const uint64_t pixelOffset = Read32(data + 10);
    if (fileSize > size)
        return false;

    const uint32_t infoSize = Read32(data + kFileHeaderSize);
    if (!IsKnownInfoSize(infoSize) || kFileHeaderSize + infoSize > size)
        return false;
    const unsigned char* info = data + kFileHeaderSize;
    const int32_t width = static_cast<int32_t>(Read32(info + 4));
    const int32_t height = static_cast<int32_t>(Read32(info + 8));
    const uint16_t planes = Read16(info + 12);
    const uint16_t bitCount = Read16(info + 14);
    const uint32_t compression = Read32(info + 16);
    const uint32_t colorsUsed = Read32(info + 32);

    if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1)
        return false;
    switch (bitCount) {
    case 1: case 4: case 8: case 24:
        if (compression != kPlain)
            return false;
        break;
    case 16: case 32:
        if (compression != kPlain && compression != kBitFields)
            return false;
        break;
    default:
        return false;
    }

    uint64_t pos = kFileHeaderSize + infoSize;
    uint64_t masksOffset = 0;
    if (compression == kBitFields) {
        // The masks follow a 40-byte header; larger headers hold them at the same place.
        masksOffset = kFileHeaderSize + 40;
        if (infoSize == 40)
            pos += 12;
    }

    uint64_t colorCount = 0;
    if (bitCount <= 8) {
        const uint64_t most = uint64_t(1) << bitCount;
        colorCount = colorsUsed == 0 ? most : colorsUsed;
        if (colorCount > most)
            return false;
    }
    // Deeper pictures may carry an optional table; it is not needed to draw
    // them, so it is neither required nor copied.
    const uint64_t colorTableOffset = pos;
    const uint64_t tableEnd = pos + colorCount * 4;
    if (tableEnd > size || pixelOffset < tableEnd || pixelOffset > size)
        return false;

    const uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    const uint64_t stride = ((uint64_t(width) * bitCount + 31) / 32) * 4;  // below 2^34
    const uint64_t room = size - pixelOffset;
    if (stride > room || rows > room / stride)
        return false;
    const uint64_t pixelBytes = stride * rows;

    TBitmapFileLayout result;
    result.Width = width;
    result.Height = static_cast<int32_t>(rows);
    result.TopDown = height < 0;
    result.BitCount = bitCount;
    result.Compression = compression;
    result.InfoOffset = kFileHeaderSize;
    result.InfoSize = infoSize;
    result.MasksOffset = static_cast<size_t>(masksOffset);
    result.ColorTableOffset = static_cast<size_t>(colorTableOffset);
    result.ColorCount = static_cast<uint32_t>(bitCount <= 8 ? colorCount : 0);
    result.PixelOffset = static_cast<size_t>(pixelOffset);
    result.RowStride = static_cast<size_t>(stride);
    result.PixelBytes = static_cast<size_t>(pixelBytes);
    layout = result;
    return true;
}
