// Viewport textures: device-independent bitmaps (DIBs) and the texture-handle
// maker that turns a bitmap into one.
#pragma once

#include <cstdint>

#include "host/Types.h"

class Bitmap;

using DWORD_PTR = uintptr_t;

struct BITMAPINFOHEADER {
    DWORD biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // positive: rows stored bottom-up
    WORD biPlanes = 1;
    WORD biBitCount = 32;
    DWORD biCompression = 0;
    DWORD biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};

struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;  // alpha
};

// A packed DIB: the header, then biWidth x biHeight 32-bit pixels, bottom-up.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

constexpr DWORD BI_RGB = 0;

// A zeroed 32-bit DIB; null when the size is not positive or too large.
BITMAPINFO* CreateDIB(int width, int height);
void FreeDIB(BITMAPINFO* dib);
// The pixel at column x of row y counted from the top; null outside.
RGBQUAD* DIBPixel(BITMAPINFO* dib, int x, int y);
const RGBQUAD* DIBPixel(const BITMAPINFO* dib, int x, int y);

// Tiling flags of a texture handle.
constexpr int U_WRAP = 1 << 0;
constexpr int V_WRAP = 1 << 1;
constexpr int U_MIRROR = 1 << 2;
constexpr int V_MIRROR = 1 << 3;

// A texture the viewport holds; it owns its DIB.
class TexHandle {
public:
    virtual ~TexHandle() = default;
    virtual DWORD_PTR GetHandle() = 0;
    virtual void DeleteThis() = 0;
};

class TexHandleMaker {
public:
    virtual ~TexHandleMaker() = default;

    // The edge of the square texture the viewport wants.
    virtual int Size() = 0;

    // An 8-bit image of the bitmap, forceW x forceH pixels, or Size() for a
    // side given as 0. The bitmap is box-filtered to that size and, when
    // gamma correction is on, raised to 1 / display gamma as the viewport
    // shows it. symflags are the tiling flags the texture is drawn with.
    // The caller owns the result (FreeDIB, or hand it to CreateHandle).
    virtual BITMAPINFO* BitmapToDIB(Bitmap* bm, int symflags, int extraFlags, int forceW = 0, int forceH = 0);

    // Handles owning the DIB (which then must not be freed by the caller).
    virtual TexHandle* CreateHandle(BITMAPINFO* dib, int symflags = 0, int extraFlags = 0);
    virtual TexHandle* CreateHandle(Bitmap* bm, int symflags = 0, int extraFlags = 0);
};

// A texture-handle maker of a fixed size.
class StdTexHandleMaker : public TexHandleMaker {
public:
    explicit StdTexHandleMaker(int size = 64) : size_(size) {}
    int Size() override { return size_; }

private:
    int size_;
};
