#include "shading/MapPreview.h"

#include <algorithm>
#include <cstring>

#include "core-interface/Exception.h"
#include "core-interface/Memory.h"

namespace Nimbal {

namespace preview_detail {

Target::Target(TexHandleMaker& thmaker, const MCHAR* bitmapName, const char* sourceFile, int sourceLine)
    : size_(std::max(thmaker.Size(), MIN_PREVIEW_SIZE)) {
    BitmapInfo bi;
    bi.SetWidth(size_);
    bi.SetHeight(size_);
    bi.SetType(BMM_FLOAT_RGBA_32);
    bi.SetFlags(MAP_HAS_ALPHA);
    bi.SetName(bitmapName);
    bitmap_ = TheManager->Create(&bi);
    if (!bitmap_) raiseStop(sourceFile, sourceLine);
    const size_t bytes = sizeof(BMM_Color_64) * static_cast<size_t>(size_);
    try {
        row_ = static_cast<BMM_Color_64*>(nimbalMalloc(bytes));
    } catch (...) {
        bitmap_->DeleteThis();
        throw;
    }
    std::memset(static_cast<void*>(row_), 0, bytes);
}

Target::~Target() {
    if (bitmap_) bitmap_->DeleteThis();
    nimbalFree(row_);
}

BITMAPINFO* Target::finish(TexHandleMaker& thmaker, int forceW, int forceH) {
    BITMAPINFO* dib = thmaker.BitmapToDIB(bitmap_, U_WRAP | V_WRAP, 0, forceW, forceH);
    bitmap_->DeleteThis();
    bitmap_ = nullptr;
    nimbalFree(row_);
    row_ = nullptr;
    return dib;
}

}  // namespace preview_detail

BITMAPINFO* mapPreview(Texmap& map, TimeValue t, TexHandleMaker& thmaker, Interval& valid, int forceW, int forceH,
                       const MCHAR* bitmapName, const char* sourceFile, int sourceLine) {
    map.Update(t, valid);
    return renderPreviewGrid(t, thmaker, forceW, forceH, bitmapName, sourceFile, sourceLine,
                             [&map](UvwContext& sc) { return map.EvalColor(sc); });
}

} // namespace Nimbal
