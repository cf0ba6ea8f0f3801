// The layout of a .bmp file, checked against the bytes it has. Pure: no
// Windows headers, so it can be built natively and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>

// Where the parts of a checked .bmp file lie. Every offset and length is
// inside the bytes that were checked.
struct TBitmapFileLayout {
    int32_t Width = 0;             // > 0
    int32_t Height = 0;            // > 0, rows counted whatever their order
    bool TopDown = false;          // the file's height was negative
    uint16_t BitCount = 0;         // 1, 4, 8, 16, 24 or 32
    uint32_t Compression = 0;      // 0 (plain) or 3 (bit fields, 16 and 32 bits only)
    size_t InfoOffset = 0;         // the information header (14)
    size_t InfoSize = 0;           // its size as the file gives it (40, 52, 56, 108 or 124)
    size_t MasksOffset = 0;        // three 32-bit colour masks (bit fields only), else 0
    size_t ColorTableOffset = 0;   // the colour table
    uint32_t ColorCount = 0;       // entries of 4 bytes in the colour table
    size_t PixelOffset = 0;        // the first pixel row
    size_t RowStride = 0;          // bytes per row, a multiple of 4
    size_t PixelBytes = 0;         // RowStride * Height
};

// True when the bytes are a complete .bmp file this program can draw: the
// "BM" signature, a Windows information header of a known size, one plane,
// a supported depth and compression, a colour table and pixel rows that lie
// wholly inside the bytes, and a file size no larger than the bytes. The
// layout is written only on success.
bool CheckBitmapFile(const unsigned char* data, size_t size, TBitmapFileLayout& layout);
