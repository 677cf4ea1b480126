#pragma once

#include <limits>

#include "host/Bitmap.h"
#include "host/Objects.h"
#include "host/TexHandle.h"
#include "shading/UvwContext.h"

namespace Nimbal {

// The smallest preview bitmap, whatever size the texture-handle maker asks.
inline constexpr int MIN_PREVIEW_SIZE = 1024;

// The viewport image of a map (its GetVPDisplayDIB): Update, then the map's
// EvalColor over a square of at least MIN_PREVIEW_SIZE pixels in a
// UvwContext (u from 0 at the left edge, v at pixel centres from the top),
// clamped to 16 bits per channel in a float RGBA bitmap named bitmapName,
// converted by thmaker.BitmapToDIB. When the bitmap cannot be created the
// internal assertion names sourceFile and sourceLine (use the macro below).
BITMAPINFO* mapPreview(Texmap& map, TimeValue t, TexHandleMaker& thmaker, Interval& valid, int forceW, int forceH,
                       const MCHAR* bitmapName, const char* sourceFile, int sourceLine);

#define NIMBAL_MAP_PREVIEW(map, t, thmaker, valid, forceW, forceH, bitmapName) \
    ::Nimbal::mapPreview((map), (t), (thmaker), (valid), (forceW), (forceH), (bitmapName), __FILE__, __LINE__)

namespace preview_detail {

// The bitmap and the row buffer of one preview, released however the
// preview ends.
class Target {
public:
    Target(TexHandleMaker& thmaker, const MCHAR* bitmapName, const char* sourceFile, int sourceLine);
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    int size() const { return size_; }
    BMM_Color_64* row() { return row_; }
    void writeRow(int r) { bitmap_->PutPixels(0, r, size_, row_); }
    BITMAPINFO* finish(TexHandleMaker& thmaker, int forceW, int forceH);

private:
    int size_;
    Bitmap* bitmap_ = nullptr;
    BMM_Color_64* row_ = nullptr;
};

// [0, 1] to 16 bits, truncated; NaN counts as 0.
inline WORD to16(float v) {
    const float c = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
    return static_cast<WORD>(c * 65535.0f);
}

}  // namespace preview_detail

// The preview grid with each pixel's colour from colorAt(UvwContext&), for
// maps whose preview is not their EvalColor.
template <class ColorAt>
BITMAPINFO* renderPreviewGrid(TimeValue t, TexHandleMaker& thmaker, int forceW, int forceH, const MCHAR* bitmapName,
                              const char* sourceFile, int sourceLine, ColorAt&& colorAt) {
    preview_detail::Target target(thmaker, bitmapName, sourceFile, sourceLine);
    UvwContext sc(t);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    sc.setCameraPosition(Point3(nan, nan, nan));
    sc.normal = Point3(0.0f, 0.0f, 1.0f);
    const int size = target.size();
    const float step = 1.0f / static_cast<float>(size);
    BMM_Color_64* row = target.row();
    for (int r = 0; r < size; ++r) {
        const float v = 1.0f - step / 2.0f - static_cast<float>(r) * step;
        for (int c = 0; c < size; ++c) {
            sc.uvw = Point3(static_cast<float>(c) * step, v, 0.0f);
            sc.position = sc.uvw;
            const AColor col = colorAt(sc);
            row[c] = BMM_Color_64{preview_detail::to16(col.r), preview_detail::to16(col.g), preview_detail::to16(col.b),
                                  preview_detail::to16(col.a)};
        }
        target.writeRow(r);
    }
    return target.finish(thmaker, forceW, forceH);
}

} // namespace Nimbal
