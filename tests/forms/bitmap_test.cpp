// Bitmaps: the file check refuses whatever does not fit its bytes, and the
// pictures it accepts draw as stored.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "package/PackageResources.h"
#include "platform/BitmapFormat.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/Resources.h"
#include "tests/forms/TestSupport.h"

namespace {

// 3 by 2 pixels, 24 bits, bottom-up: rows of 9 bytes padded to 12.
std::vector<unsigned char> SmallPicture()
{
    return MakeBmp(3, 2, 24, {},
                   {{0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00},    // bottom: red, green, blue
                    {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x80, 0x80}});  // top: white, black, grey
}

// Draws the bitmap on a white 8 by 8 DIB section and returns its pixels as
// 0x00RRGGBB, top row first.
std::vector<uint32_t> Render(const TBitmap& bitmap, int x, int y)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = -8;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, section);
    std::fill_n(static_cast<uint32_t*>(bits), 64, 0xFFFFFFu);
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Draw(x, y, bitmap);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + 64);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
    return pixels;
}

TBytesView View(const std::vector<unsigned char>& bytes)
{
    return TBytesView(bytes.data(), static_cast<unsigned long>(bytes.size()));
}

}  // namespace

TEST(BitmapTest, RefusesFilesThatDoNotFitTheirBytes)
{
    using Bytes = std::vector<unsigned char>;
    struct Case {
        const char* Name;
        std::function<Bytes()> Make;
        int Line;
    };
    const auto edit = [](std::function<void(Bytes&)> change) {
        return [change] {
            Bytes bytes = SmallPicture();
            change(bytes);
            return bytes;
        };
    };
    const Case cases[] = {
        {"empty", [] { return Bytes(); }, __LINE__},
        {"not BM", edit([](Bytes& b) { b[1] = 'A'; }), __LINE__},
        {"file header only", edit([](Bytes& b) { b.resize(14); }), __LINE__},
        {"information header cut", edit([](Bytes& b) { b.resize(14 + 30); }), __LINE__},
        {"file size beyond the bytes", edit([](Bytes& b) { Put32(b, 2, static_cast<uint32_t>(b.size() + 1)); }), __LINE__},
        {"pixel offset past the end", edit([](Bytes& b) { Put32(b, 10, static_cast<uint32_t>(b.size() + 1)); }), __LINE__},
        {"pixel offset 0xFFFFFFFF", edit([](Bytes& b) { Put32(b, 10, 0xFFFFFFFFu); }), __LINE__},
        {"pixel offset inside the headers", edit([](Bytes& b) { Put32(b, 10, 20); }), __LINE__},
        {"last pixel byte missing", edit([](Bytes& b) { b.pop_back(); Put32(b, 2, static_cast<uint32_t>(b.size())); }), __LINE__},
        {"more rows than data", edit([](Bytes& b) { Put32(b, 22, 3); }), __LINE__},
        {"wider than data", edit([](Bytes& b) { Put32(b, 18, 5); }), __LINE__},
        {"width zero", edit([](Bytes& b) { Put32(b, 18, 0); }), __LINE__},
        {"width negative", edit([](Bytes& b) { Put32(b, 18, static_cast<uint32_t>(-3)); }), __LINE__},
        {"height zero", edit([](Bytes& b) { Put32(b, 22, 0); }), __LINE__},
        {"height INT_MIN", edit([](Bytes& b) { Put32(b, 22, 0x80000000u); }), __LINE__},
        {"huge width", edit([](Bytes& b) { Put32(b, 18, 0x7FFFFFFFu); }), __LINE__},
        {"huge height", edit([](Bytes& b) { Put32(b, 22, 0x7FFFFFFFu); }), __LINE__},
        {"huge both, 32 bits", edit([](Bytes& b) { Put32(b, 18, 0x7FFFFFFFu); Put32(b, 22, 0x7FFFFFFFu); Put16(b, 28, 32); }), __LINE__},
        {"plain DIB without file header", edit([](Bytes& b) { b.erase(b.begin(), b.begin() + 14); }), __LINE__},
        {"2 bits per pixel", edit([](Bytes& b) { Put16(b, 28, 2); }), __LINE__},
        {"0 bits per pixel", edit([](Bytes& b) { Put16(b, 28, 0); }), __LINE__},
        {"run-length compressed", edit([](Bytes& b) { Put32(b, 30, 1); }), __LINE__},
        {"bit fields at 24 bits", edit([](Bytes& b) { Put32(b, 30, 3); }), __LINE__},
        {"two planes", edit([](Bytes& b) { Put16(b, 26, 2); }), __LINE__},
        {"core header (12 bytes)", edit([](Bytes& b) { Put32(b, 14, 12); }), __LINE__},
        {"unknown header size", edit([](Bytes& b) { Put32(b, 14, 64); }), __LINE__},
        {"V5 header longer than the bytes", edit([](Bytes& b) { Put32(b, 14, 124); }), __LINE__},
        {"8 bits, 300 colours",
         [] {
             Bytes b = MakeBmp(4, 1, 8, std::vector<uint32_t>(256), {{0, 1, 2, 3}});
             Put32(b, 46, 300);
             return b;
         },
         __LINE__},
        {"8 bits, colour table cut",
         [] {
             Bytes b = MakeBmp(4, 1, 8, std::vector<uint32_t>(2), {{0, 1, 1, 0}});
             Put32(b, 46, 0);  // 0 means a full table of 256 entries
             return b;
         },
         __LINE__},
    };

    // Refusing leaves the bitmap's picture as it was: load one first.
    TBitmap bitmap;
    const std::vector<unsigned char> good = SmallPicture();
    bitmap.LoadFromStream(View(good));

    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Name << " (line " << c.Line << ")");
        const Bytes bytes = c.Make();
        TBitmapFileLayout layout;
        layout.Width = 12345;
        EXPECT_FALSE(CheckBitmapFile(bytes.data(), bytes.size(), layout));
        EXPECT_EQ(12345, layout.Width) << "layout written on failure";
        // A copy whose allocation ends where the bytes end, so that any read
        // past them lands outside the buffer.
        std::vector<unsigned char> exact(bytes);
        exact.shrink_to_fit();
        EXPECT_THROW(bitmap.LoadFromStream(View(exact)), EInvalidGraphic);
        EXPECT_EQ(3, bitmap.Width());
        EXPECT_EQ(2, bitmap.Height());
    }
}

TEST(BitmapTest, DrawsTwentyFourBitsAtItsOwnSizeBottomRowLast)
{
    TBitmap bitmap;
    const std::vector<unsigned char> bytes = SmallPicture();
    bitmap.LoadFromStream(View(bytes));
    ASSERT_FALSE(bitmap.Empty());
    EXPECT_EQ(3, bitmap.Width());
    EXPECT_EQ(2, bitmap.Height());

    const std::vector<uint32_t> pixels = Render(bitmap, 1, 2);
    const uint32_t expected[2][3] = {{0xFFFFFF, 0x000000, 0x808080}, {0xFF0000, 0x00FF00, 0x0000FF}};
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col) {
            SCOPED_TRACE(testing::Message() << "row " << row << " col " << col);
            const bool inside = row >= 2 && row < 4 && col >= 1 && col < 4;
            EXPECT_EQ(inside ? expected[row - 2][col - 1] : 0xFFFFFFu, pixels[row * 8 + col]);
        }
}

TEST(BitmapTest, DrawsPalettedAndTopDownPictures)
{
    // 2 by 2, 8 bits with a two-colour table, rows stored top first.
    std::vector<unsigned char> bytes = MakeBmp(2, -2, 8, {0x00112233, 0x00AABBCC}, {{1, 0}, {0, 1}});
    TBitmap bitmap;
    bitmap.LoadFromStream(View(bytes));
    EXPECT_EQ(2, bitmap.Height());
    const std::vector<uint32_t> pixels = Render(bitmap, 0, 0);
    EXPECT_EQ(0xAABBCCu, pixels[0]);
    EXPECT_EQ(0x112233u, pixels[1]);
    EXPECT_EQ(0x112233u, pixels[8]);
    EXPECT_EQ(0xAABBCCu, pixels[9]);
    EXPECT_EQ(0xFFFFFFu, pixels[2]);
}

TEST(BitmapTest, AcceptsAPictureShapedLikeTheShippedOne)
{
    // 600 by 300, 24 bits, offset 54, two zero bytes after the rows: 540,056 bytes.
    std::vector<std::vector<unsigned char>> rows(300, std::vector<unsigned char>(1800, 0x40));
    const std::vector<unsigned char> bytes = MakeBmp(600, 300, 24, {}, rows, 2);
    ASSERT_EQ(540056u, bytes.size());
    TBitmapFileLayout layout;
    ASSERT_TRUE(CheckBitmapFile(bytes.data(), bytes.size(), layout));
    EXPECT_EQ(54u, layout.PixelOffset);
    EXPECT_EQ(1800u, layout.RowStride);
    EXPECT_EQ(540000u, layout.PixelBytes);
    TBitmap bitmap;
    bitmap.LoadFromStream(View(bytes));
    EXPECT_EQ(600, bitmap.Width());
    EXPECT_EQ(300, bitmap.Height());
}

TEST(BitmapTest, PackagedBackgroundLoadsWhenItIsABitmapFile)
{
    TResourceStream stream(HInstance, RESOURCE_BACKGROUND, RESOURCE_BACKGROUND_TYPE);
    const unsigned char* bytes = static_cast<const unsigned char*>(stream.Memory());
    TBitmap bitmap;
    if (stream.Size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        bitmap.LoadFromStream(stream);
        EXPECT_EQ(600, bitmap.Width());
        EXPECT_EQ(300, bitmap.Height());
    } else {
        // A placeholder that is no .bmp file must be refused, not drawn.
        EXPECT_THROW(bitmap.LoadFromStream(stream), EInvalidGraphic);
        EXPECT_TRUE(bitmap.Empty());
    }
}
