#include "SkyTex/SkyTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_SKYTEX_PB = 5000,
    IDS_SKYTEX_ROLLOUT_0 = 5001,
    IDS_SKYTEX_ROLLOUT_1 = 5002,
};

const StringTable strings{
    {IDS_SKYTEX_PB, "Sky paramblock"},
    {IDS_SKYTEX_ROLLOUT_0, "Nimbal Sky Texmap"},
    {IDS_SKYTEX_ROLLOUT_1, "Rawafake model parameters"},
};

class SkyTexCd : public ClassDescCommon {
public:
    SkyTexCd() : ClassDescCommon(TEXMAP_CAT_ENV, "NimbalSky", TEXMAP_CLASS_ID, Class_ID(0x59577962, 0x4CAB7AC1)) {}
    void* Create(BOOL) override { return new (std::nothrow) SkyTex(); }
};

SkyTexCd skyTexCd;

ParamBlockDesc2 skyTexPbDesc(
    BlockDesc{0, "NimbalSkyPb", IDS_SKYTEX_PB, &skyTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP | P_VERSION, 50, 0,
             {
             RolloutDesc{0, 1704, IDS_SKYTEX_ROLLOUT_0, 0, nullptr},
             RolloutDesc{1, 1705, IDS_SKYTEX_ROLLOUT_1, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* SkyTexTraits::classDesc() { return &skyTexCd; }
ClassDescCommon* skyTexClassDesc() { return &skyTexCd; }

SkyTex::SkyTex() = default;

}  // namespace Nimbal
