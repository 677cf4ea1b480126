#include "ray-switch-map/RaySwitchTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_RAYSWITCHTEX_PB = 21000,
    IDS_RAYSWITCHTEX_ROLLOUT_0 = 21001,
};

const StringTable strings{
    {IDS_RAYSWITCHTEX_PB, "RayswitchPb"},
    {IDS_RAYSWITCHTEX_ROLLOUT_0, "Nimbal Ray Switcher Texmap"},
};

class RaySwitchTexCd : public ClassDescCommon {
public:
    RaySwitchTexCd() : ClassDescCommon(TEXMAP_CAT_COMP, "NimbalRaySwitch", TEXMAP_CLASS_ID, Class_ID(0x26581A55, 0x5E138D35)) {}
    void* Create(BOOL) override { return new (std::nothrow) RaySwitchTex(); }
};

RaySwitchTexCd raySwitchTexCd;

ParamBlockDesc2 raySwitchTexPbDesc(
    BlockDesc{0, "RaySwitchTexPb", IDS_RAYSWITCHTEX_PB, &raySwitchTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1494, IDS_RAYSWITCHTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* RaySwitchTexTraits::classDesc() { return &raySwitchTexCd; }
ClassDescCommon* raySwitchTexClassDesc() { return &raySwitchTexCd; }

RaySwitchTex::RaySwitchTex() = default;

}  // namespace Nimbal
