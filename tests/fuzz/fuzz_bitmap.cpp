// The bitmap check over arbitrary bytes: an accepted file's parts all lie
// inside the bytes, and a rejected one leaves the layout untouched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/BitmapFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBitmapFileLayout layout;
    layout.Width = -42;
    if (!CheckBitmapFile(data, size, layout)) {
        if (layout.Width != -42)
            std::abort();
        return 0;
    }
    if (layout.Width <= 0 || layout.Height <= 0 || size < 2 || data[0] != 'B' || data[1] != 'M')
        std::abort();
    if (layout.PixelOffset > size || layout.PixelBytes > size - layout.PixelOffset)
        std::abort();
    if (layout.ColorTableOffset > size || layout.ColorCount * 4ULL > size - layout.ColorTableOffset)
        std::abort();
    if (layout.RowStride % 4 != 0 ||
        layout.RowStride < (static_cast<size_t>(layout.Width) * layout.BitCount + 7) / 8)
        std::abort();
    // Touch every byte the layout promises, so the sanitizer sees any overrun.
    volatile unsigned sum = 0;
    for (size_t i = 0; i < layout.PixelBytes; i += 61)
        sum += data[layout.PixelOffset + i];
    (void)sum;
    return 0;
}
