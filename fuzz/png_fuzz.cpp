// Feeds arbitrary bytes to the bitmap manager's PNG reader, the path every
// bitmap map loads through. A refusal must come with a one-line reason and
// leave no bitmap behind; an accepted image must have a sane size and type,
// and the bitmap map must sample it to finite values in [0, 1].
//
// Seeds: fuzz/corpus/png/.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/BitmapTex.h"
#include "host/Gamma.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "png_fuzz: %s\n", what);
    std::abort();
}

class Point : public ShadeContext {
public:
    Point3 uvw;
    Point3 UVW(int) override { return uvw; }
};

// Interpolation may round a hair past 1.
bool unit(float v) { return std::isfinite(v) && v >= 0.0f && v <= 1.0f + 1e-6f; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Room for real images, but a forged header cannot ask for gigabytes.
    static const bool configured = [] {
        TheManager->SetMemoryLimit(size_t(64) << 20);
        return true;
    }();
    (void)configured;

    const int liveBefore = TheManager->LiveBitmaps();
    const size_t usedBefore = TheManager->MemoryInUse();
    BitmapInfo bi;
    BMMRES status = BMMRES_SUCCESS;
    std::string error;
    Bitmap* bm = TheManager->LoadFromMemory(data, size, &bi, &status, &error);
    if (!bm) {
        if (status == BMMRES_SUCCESS) fail("refused without a status");
        if (error.empty() || error.find('\n') != std::string::npos) fail("refusal without a one-line reason");
        if (TheManager->LiveBitmaps() != liveBefore || TheManager->MemoryInUse() != usedBefore)
            fail("a refused image left a bitmap behind");
        return 0;
    }
    if (bm->Width() <= 0 || bm->Height() <= 0 || bm->Width() > BitmapManager::MAX_SIDE ||
        bm->Height() > BitmapManager::MAX_SIDE)
        fail("impossible size");
    if (bm->Type() != BMM_TRUE_32 && bm->Type() != BMM_TRUE_64) fail("unexpected storage type");
    if (bi.Width() != bm->Width() || bi.Height() != bm->Height()) fail("description differs from the bitmap");

    // Through the bitmap map, with a gamma table.
    gammaMgr.Enable(TRUE);
    auto* map = new BitmapTex();
    map->SetBitmap(bm);
    Point sc;
    const float coords[][2] = {{0.0f, 0.0f}, {0.999f, 0.999f}, {0.5f, 0.5f}, {0.25f, 0.9f}, {1.0f, 0.0f}};
    for (int filter = 0; filter < 2; ++filter) {
        map->pblock->SetValue(BitmapTex::filtering, 0, filter);
        for (const auto& c : coords) {
            sc.uvw = Point3(c[0], c[1], 0.0f);
            const AColor col = map->EvalColor(sc);
            if (!unit(col.r) || !unit(col.g) || !unit(col.b) || !unit(col.a)) fail("sample outside [0, 1]");
        }
    }
    map->DeleteMe();
    if (TheManager->LiveBitmaps() != liveBefore || TheManager->MemoryInUse() != usedBefore)
        fail("bitmap memory not given back");
    return 0;
}
