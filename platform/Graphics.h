// Colours, fonts, bitmaps and the canvas that paints them.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/AnsiString.h"
#include "platform/Classes.h"

// An RGB value (0x00BBGGRR), or a system colour: the high bit set and the
// COLOR_ index in the low byte.
typedef int TColor;
const TColor clBlack = 0x000000;
const TColor clBlue = 0xFF0000;
const TColor clWhite = 0xFFFFFF;
const TColor clBtnFace = static_cast<int>(0x80000000u | COLOR_BTNFACE);
const TColor clWindowText = static_cast<int>(0x80000000u | COLOR_WINDOWTEXT);
const TColor clWindow = static_cast<int>(0x80000000u | COLOR_WINDOW);
const TColor clInfoBk = static_cast<int>(0x80000000u | COLOR_INFOBK);

COLORREF ColorToRGB(TColor color);

// Owns one GDI object; deletes it exactly once.
template <class THandle>
class TGdiObject {
public:
    TGdiObject() = default;
    explicit TGdiObject(THandle handle) : handle_(handle) {}
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    TGdiObject(TGdiObject&& other) noexcept : handle_(other.Release()) {}
    TGdiObject& operator=(TGdiObject&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    ~TGdiObject() { Reset(); }

    THandle Get() const noexcept { return handle_; }
    THandle Release() noexcept
    {
        THandle handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Reset(THandle handle = nullptr) noexcept
    {
        if (handle_)
            DeleteObject(handle_);
        handle_ = handle;
    }

private:
    THandle handle_ = nullptr;
};

// Font styles, combined as bits.
enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
typedef unsigned TFontStyles;

// A font description and the GDI font made from it when first asked for.
class TFont {
public:
    TFont();
    TFont(const TFont& other);
    TFont& operator=(const TFont& other);

    const AnsiString& Name() const { return name_; }
    int Height() const { return height_; }
    int Charset() const { return charset_; }
    TColor Color() const { return color_; }
    TFontStyles Style() const { return style_; }
    void SetName(const AnsiString& name);
    void SetHeight(int height);
    void SetCharset(int charset);
    void SetColor(TColor color) { color_ = color; }
    void SetStyle(TFontStyles style);

    // The GDI font, owned by this object; raises Exception when GDI refuses.
    HFONT Handle() const;

private:
    AnsiString name_;
    int height_;
    int charset_;
    TColor color_;
    TFontStyles style_;
    mutable TGdiObject<HFONT> handle_;
};

// A picture read from a complete .bmp file and kept as a device-independent
// bitmap: its header (40 bytes, masks, colour table) and its pixel rows.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // Raises EInvalidGraphic when the stream is not a .bmp file this program
    // can draw (BitmapFormat.h says what that takes); the bitmap then keeps
    // the picture it had.
    void LoadFromStream(const TCustomMemoryStream& stream);

    bool Empty() const noexcept { return pixels_.empty(); }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }

private:
    friend class TCanvas;
    std::vector<unsigned char> info_;    // BITMAPINFO: header, masks, colours
    std::vector<unsigned char> pixels_;
    int width_ = 0;
    int height_ = 0;
};

// Paints on a device context it does not own.
class TCanvas {
public:
    HDC Handle() const noexcept { return dc_; }
    void SetHandle(HDC dc) noexcept { dc_ = dc; }

    // The bitmap at its own size with its top left corner at (x, y); an empty
    // bitmap, or a canvas without a device context, draws nothing.
    void Draw(int x, int y, const TBitmap& bitmap);

private:
    HDC dc_ = nullptr;
};
