#include "front-back-map/FrontBackTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_FRONTBACKTEX_PB = 19000,
    IDS_FRONTBACKTEX_ROLLOUT_0 = 19001,
};

const StringTable strings{
    {IDS_FRONTBACKTEX_PB, "FrontBackMapCD"},
    {IDS_FRONTBACKTEX_ROLLOUT_0, "Nimbal Front/Back Texmap"},
};

class FrontBackTexCd : public ClassDescCommon {
public:
    FrontBackTexCd() : ClassDescCommon(TEXMAP_CAT_COMP, "NimbalFrontBack", TEXMAP_CLASS_ID, Class_ID(0xABCD2067, 0x8723545D)) {}
    void* Create(BOOL) override { return new (std::nothrow) FrontBackTex(); }
};

FrontBackTexCd frontBackTexCd;

ParamBlockDesc2 frontBackTexPbDesc(
    BlockDesc{0, "NimbalFrontBackPb", IDS_FRONTBACKTEX_PB, &frontBackTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1480, IDS_FRONTBACKTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* FrontBackTexTraits::classDesc() { return &frontBackTexCd; }
ClassDescCommon* frontBackTexClassDesc() { return &frontBackTexCd; }

FrontBackTex::FrontBackTex() = default;

}  // namespace Nimbal
