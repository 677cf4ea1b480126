#include "ColorTex/ColorTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_COLORTEX_PB = 15000,
    IDS_COLORTEX_ROLLOUT_0 = 15001,
};

const StringTable strings{
    {IDS_COLORTEX_PB, "Nimbal Solid Color texmap pblock"},
    {IDS_COLORTEX_ROLLOUT_0, "Nimbal Solid Color Texmap"},
};

class ColorTexCd : public ClassDescCommon {
public:
    ColorTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "NimbalColor", TEXMAP_CLASS_ID, Class_ID(0x68426DCA, 0x372362D4)) {}
    void* Create(BOOL) override { return new (std::nothrow) ColorTex(); }
};

ColorTexCd colorTexCd;

ParamBlockDesc2 colorTexPbDesc(
    BlockDesc{0, "NimbalColorPb", IDS_COLORTEX_PB, &colorTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1501, IDS_COLORTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* ColorTexTraits::classDesc() { return &colorTexCd; }
ClassDescCommon* colorTexClassDesc() { return &colorTexCd; }

ColorTex::ColorTex() = default;

}  // namespace Nimbal
