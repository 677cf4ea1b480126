#include "FractalTex/FractalTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_FRACTALTEX_PB = 25000,
    IDS_FRACTALTEX_ROLLOUT_0 = 25001,
};

const StringTable strings{
    {IDS_FRACTALTEX_PB, "Fractal map paramblock"},
    {IDS_FRACTALTEX_ROLLOUT_0, "Nimbal Fractal Map"},
};

class FractalTexCd : public ClassDescCommon {
public:
    FractalTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "NimbalFractal2D", TEXMAP_CLASS_ID, Class_ID(0x4F64749D, 0x11711D2B)) {}
    void* Create(BOOL) override { return new (std::nothrow) FractalTex(); }
};

FractalTexCd fractalTexCd;

ParamBlockDesc2 fractalTexPbDesc(
    BlockDesc{0, "NimbalFractalMapPb", IDS_FRACTALTEX_PB, &fractalTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1715, IDS_FRACTALTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* FractalTexTraits::classDesc() { return &fractalTexCd; }
ClassDescCommon* fractalTexClassDesc() { return &fractalTexCd; }

FractalTex::FractalTex() = default;

}  // namespace Nimbal
