#include "ColorMapperTex/ColorMapperTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_COLORMAPPERTEX_PB = 26000,
    IDS_COLORMAPPERTEX_ROLLOUT_0 = 26001,
};

const StringTable strings{
    {IDS_COLORMAPPERTEX_PB, "Color mapper paramblock"},
    {IDS_COLORMAPPERTEX_ROLLOUT_0, "Nimbal Color Mapper"},
};

class ColorMapperTexCd : public ClassDescCommon {
public:
    ColorMapperTexCd() : ClassDescCommon(TEXMAP_CAT_COLMOD, "NimbalColorMapper", TEXMAP_CLASS_ID, Class_ID(0x768EC55B, 0xE1A705DE)) {}
    void* Create(BOOL) override { return new (std::nothrow) ColorMapperTex(); }
};

ColorMapperTexCd colorMapperTexCd;

ParamBlockDesc2 colorMapperTexPbDesc(
    BlockDesc{0, "NimbalColorMapperPb", IDS_COLORMAPPERTEX_PB, &colorMapperTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1478, IDS_COLORMAPPERTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* ColorMapperTexTraits::classDesc() { return &colorMapperTexCd; }
ClassDescCommon* colorMapperTexClassDesc() { return &colorMapperTexCd; }

ColorMapperTex::ColorMapperTex() = default;

}  // namespace Nimbal
