#include "platform/Graphics.h"

#include <cstring>

#include "platform/BitmapFormat.h"
#include "platform/SysUtils.h"

COLORREF ColorToRGB(TColor color)
{
    if (color < 0)
        return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

TFont::TFont()
    : name_("ＭＳ Ｐゴシック"), height_(-12), charset_(DEFAULT_CHARSET), color_(clWindowText), style_(0)
{
}

TFont::TFont(const TFont& other)
    : name_(other.name_), height_(other.height_), charset_(other.charset_), color_(other.color_),
      style_(other.style_)
{
}

TFont& TFont::operator=(const TFont& other)
{
    if (this != &other) {
        name_ = other.name_;
        height_ = other.height_;
        charset_ = other.charset_;
        color_ = other.color_;
        style_ = other.style_;
        handle_.Reset();
    }
    return *this;
}

void TFont::SetName(const AnsiString& name)
{
    name_ = name;
    handle_.Reset();
}

void TFont::SetHeight(int height)
{
    height_ = height;
    handle_.Reset();
}

void TFont::SetCharset(int charset)
{
    charset_ = charset;
    handle_.Reset();
}

void TFont::SetStyle(TFontStyles style)
{
    style_ = style;
    handle_.Reset();
}

HFONT TFont::Handle() const
{
    if (!handle_.Get()) {
        LOGFONTA logFont = {};
        logFont.lfHeight = height_;
        logFont.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        logFont.lfItalic = (style_ & fsItalic) ? TRUE : FALSE;
        logFont.lfUnderline = (style_ & fsUnderline) ? TRUE : FALSE;
        logFont.lfStrikeOut = (style_ & fsStrikeOut) ? TRUE : FALSE;
        logFont.lfCharSet = static_cast<BYTE>(charset_);
        logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
        logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        logFont.lfQuality = DEFAULT_QUALITY;
        logFont.lfPitchAndFamily = DEFAULT_PITCH;
        lstrcpynA(logFont.lfFaceName, name_.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectA(&logFont);
        if (!font)
            throw Exception("フォントを作成できません");
        handle_.Reset(font);
    }
    return handle_.Get();
}

void TBitmap::LoadFromStream(const TCustomMemoryStream& stream)
{
    const unsigned char* data = static_cast<const unsigned char*>(stream.Memory());
    TBitmapFileLayout layout;
    if (!CheckBitmapFile(data, stream.Size(), layout))
        throw EInvalidGraphic();

    // A plain 40-byte header is enough for every depth this program draws:
    // the masks of bit-field pictures sit right behind it, as GDI wants them.
    std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER));
    std::memcpy(info.data(), data + layout.InfoOffset, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, info.data(), sizeof header);
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biSizeImage = static_cast<DWORD>(layout.PixelBytes);
    header.biClrUsed = layout.ColorCount;
    header.biClrImportant = 0;
    std::memcpy(info.data(), &header, sizeof header);
    if (layout.MasksOffset)
        info.insert(info.end(), data + layout.MasksOffset, data + layout.MasksOffset + 12);
    info.insert(info.end(), data + layout.ColorTableOffset,
                data + layout.ColorTableOffset + size_t(layout.ColorCount) * 4);

    std::vector<unsigned char> pixels(data + layout.PixelOffset,
                                      data + layout.PixelOffset + layout.PixelBytes);
    info_.swap(info);
    pixels_.swap(pixels);
    width_ = layout.Width;
    height_ = layout.Height;
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap)
{
    if (!dc_ || bitmap.Empty())
        return;
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(bitmap.info_.data());
    // Painting that fails leaves the face colour; there is nothing to report.
    SetDIBitsToDevice(dc_, x, y, static_cast<DWORD>(bitmap.width_), static_cast<DWORD>(bitmap.height_),
                      0, 0, 0, static_cast<UINT>(bitmap.height_), bitmap.pixels_.data(), info,
                      DIB_RGB_COLORS);
}
