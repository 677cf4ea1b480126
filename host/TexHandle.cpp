#include "host/TexHandle.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "host/Bitmap.h"
#include "host/Gamma.h"
#include "host/Objects.h"
#include "host/ShadeContext.h"

namespace {
// Larger DIBs than this are refused rather than allocated.
constexpr int MAX_DIB_SIDE = 16384;

BYTE ToByte(float v) {
    const float c = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
    return static_cast<BYTE>(std::lround(c * 255.0f));
}

class DIBTexHandle : public TexHandle {
public:
    explicit DIBTexHandle(BITMAPINFO* dib) : dib_(dib) {}
    ~DIBTexHandle() override { FreeDIB(dib_); }
    DWORD_PTR GetHandle() override { return reinterpret_cast<DWORD_PTR>(dib_); }
    void DeleteThis() override { delete this; }

private:
    BITMAPINFO* dib_;
};
}  // namespace

BITMAPINFO* CreateDIB(int width, int height) {
    if (width <= 0 || height <= 0 || width > MAX_DIB_SIDE || height > MAX_DIB_SIDE) return nullptr;
    const size_t pixels = size_t(width) * size_t(height);
    const size_t bytes = sizeof(BITMAPINFOHEADER) + pixels * sizeof(RGBQUAD);
    void* block = std::calloc(1, std::max(bytes, sizeof(BITMAPINFO)));
    if (!block) return nullptr;
    auto* dib = new (block) BITMAPINFO();
    dib->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    dib->bmiHeader.biWidth = width;
    dib->bmiHeader.biHeight = height;
    dib->bmiHeader.biPlanes = 1;
    dib->bmiHeader.biBitCount = 32;
    dib->bmiHeader.biCompression = BI_RGB;
    dib->bmiHeader.biSizeImage = static_cast<DWORD>(pixels * sizeof(RGBQUAD));
    return dib;
}

void FreeDIB(BITMAPINFO* dib) { std::free(dib); }

RGBQUAD* DIBPixel(BITMAPINFO* dib, int x, int y) {
    if (!dib || x < 0 || y < 0 || x >= dib->bmiHeader.biWidth || y >= dib->bmiHeader.biHeight) return nullptr;
    const int row = dib->bmiHeader.biHeight - 1 - y;
    return dib->bmiColors + size_t(row) * size_t(dib->bmiHeader.biWidth) + size_t(x);
}

const RGBQUAD* DIBPixel(const BITMAPINFO* dib, int x, int y) { return DIBPixel(const_cast<BITMAPINFO*>(dib), x, y); }

BITMAPINFO* TexHandleMaker::BitmapToDIB(Bitmap* bm, int, int, int forceW, int forceH) {
    if (!bm) return nullptr;
    const int w = forceW > 0 ? forceW : Size();
    const int h = forceH > 0 ? forceH : Size();
    BITMAPINFO* dib = CreateDIB(w, h);
    if (!dib) return nullptr;
    const int sw = bm->Width(), sh = bm->Height();
    const bool gamma = gammaMgr.IsEnabled() && gammaMgr.GetDisplayGamma() != 1.0f;
    const float invGamma = 1.0f / gammaMgr.GetDisplayGamma();

    // Each target pixel averages the source pixels its area covers (at
    // least one), so shrinking does not alias and enlarging repeats.
    std::vector<int> xFirst(static_cast<size_t>(w)), xEnd(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        xFirst[x] = int(int64_t(x) * sw / w);
        xEnd[x] = std::max(xFirst[x] + 1, int(int64_t(x + 1) * sw / w));
    }
    std::vector<BMM_Color_fl> line(static_cast<size_t>(sw));
    std::vector<float> converted(size_t(sw) * 4);
    std::vector<double> sums(size_t(w) * 4);
    for (int y = 0; y < h; ++y) {
        const int y0 = int(int64_t(y) * sh / h);
        const int y1 = std::max(y0 + 1, int(int64_t(y + 1) * sh / h));
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int sy = y0; sy < y1; ++sy) {
            // Float stores are read in place; the others are converted a row at a time.
            const float* src = bm->DataFloat();
            if (src) {
                src += size_t(sy) * size_t(sw) * 4;
            } else {
                bm->GetPixels(0, sy, sw, line.data());
                for (int i = 0; i < sw; ++i) {
                    converted[size_t(i) * 4 + 0] = line[i].r;
                    converted[size_t(i) * 4 + 1] = line[i].g;
                    converted[size_t(i) * 4 + 2] = line[i].b;
                    converted[size_t(i) * 4 + 3] = line[i].a;
                }
                src = converted.data();
            }
            for (int x = 0; x < w; ++x) {
                float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
                for (int sx = xFirst[x]; sx < xEnd[x]; ++sx) {
                    const float* p = src + size_t(sx) * 4;
                    r += p[0];
                    g += p[1];
                    b += p[2];
                    a += p[3];
                }
                sums[x * 4 + 0] += r;
                sums[x * 4 + 1] += g;
                sums[x * 4 + 2] += b;
                sums[x * 4 + 3] += a;
            }
        }
        for (int x = 0; x < w; ++x) {
            const double count = double(xEnd[x] - xFirst[x]) * double(y1 - y0);
            float c[4];
            for (int k = 0; k < 4; ++k) c[k] = static_cast<float>(sums[x * 4 + k] / count);
            if (gamma)
                for (int k = 0; k < 3; ++k) c[k] = c[k] > 0.0f ? std::pow(c[k], invGamma) : 0.0f;
            RGBQUAD* q = DIBPixel(dib, x, y);
            q->rgbRed = ToByte(c[0]);
            q->rgbGreen = ToByte(c[1]);
            q->rgbBlue = ToByte(c[2]);
            q->rgbReserved = ToByte(c[3]);
        }
    }
    return dib;
}

TexHandle* TexHandleMaker::CreateHandle(BITMAPINFO* dib, int, int) { return dib ? new DIBTexHandle(dib) : nullptr; }

TexHandle* TexHandleMaker::CreateHandle(Bitmap* bm, int symflags, int extraFlags) {
    return CreateHandle(BitmapToDIB(bm, symflags, extraFlags), symflags, extraFlags);
}

// ---------------------------------------------------------------------------
// The host's own preview of a map: the map over the unit square, sampled at
// pixel centres, as the material editor shows it.

namespace {

class PreviewShadeContext : public ShadeContext {
public:
    PreviewShadeContext(TimeValue t, float pixel) : t_(t), duv_(pixel, pixel, 0.0f) {}
    Point3 uvw;

    BOOL InMtlEditor() override { return TRUE; }
    TimeValue CurTime() override { return t_; }
    Point3 UVW(int) override { return uvw; }
    Point3 DUVW(int) override { return duv_; }
    Point3 P() override { return uvw; }
    Point3 DP() override { return duv_; }
    Point3 Normal() override { return Point3(0.0f, 0.0f, 1.0f); }
    Point3 V() override { return Point3(0.0f, 0.0f, -1.0f); }
    Point3 CamPos() override { return uvw + Point3(0.0f, 0.0f, 1.0f); }
    void ScreenUV(Point2& uv, Point2& duv) override {
        uv = Point2(uvw.x, uvw.y);
        duv = Point2(duv_.x, duv_.y);
    }

private:
    TimeValue t_;
    Point3 duv_;
};

}  // namespace

BITMAPINFO* Texmap::GetVPDisplayDIB(TimeValue t, TexHandleMaker& thmaker, Interval& valid, BOOL mono, int forceW,
                                    int forceH) {
    Update(t, valid);
    const int size = std::clamp(thmaker.Size(), 1, MAX_DIB_SIDE);
    BitmapInfo bi;
    bi.SetWidth(size);
    bi.SetHeight(size);
    bi.SetType(BMM_FLOAT_RGBA_32);
    bi.SetFlags(MAP_HAS_ALPHA);
    bi.SetName(u"TexmapPreview");
    Bitmap* bm = TheManager->Create(&bi);
    if (!bm) return nullptr;

    PreviewShadeContext sc(t, 1.0f / static_cast<float>(size));
    std::vector<BMM_Color_fl> row(static_cast<size_t>(size));
    BITMAPINFO* dib = nullptr;
    try {
        for (int r = 0; r < size; ++r) {
            const float v = 1.0f - (static_cast<float>(r) + 0.5f) / static_cast<float>(size);
            for (int c = 0; c < size; ++c) {
                sc.uvw = Point3((static_cast<float>(c) + 0.5f) / static_cast<float>(size), v, 0.0f);
                if (mono) {
                    const float m = EvalMono(sc);
                    row[c] = BMM_Color_fl{m, m, m, 1.0f};
                } else {
                    const AColor col = EvalColor(sc);
                    row[c] = BMM_Color_fl{col.r, col.g, col.b, col.a};
                }
            }
            bm->PutPixels(0, r, size, row.data());
        }
        dib = thmaker.BitmapToDIB(bm, U_WRAP | V_WRAP, 0, forceW, forceH);
    } catch (...) {
        bm->DeleteThis();
        throw;
    }
    bm->DeleteThis();
    return dib;
}
