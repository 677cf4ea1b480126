#include "MixTex/MixTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_MIXTEX_PB = 14000,
    IDS_MIXTEX_ROLLOUT_0 = 14001,
};

const StringTable strings{
    {IDS_MIXTEX_PB, "Paramblock mixture Texmap"},
    {IDS_MIXTEX_ROLLOUT_0, "Nimbal Mixture Texmap"},
};

class MixTexCd : public ClassDescCommon {
public:
    MixTexCd() : ClassDescCommon(TEXMAP_CAT_COMP, "NimbalMix", TEXMAP_CLASS_ID, Class_ID(0x6847286F, 0x3FFFAAB4)) {}
    void* Create(BOOL) override { return new (std::nothrow) MixTex(); }
};

MixTexCd mixTexCd;

ParamBlockDesc2 mixTexPbDesc(
    BlockDesc{0, "NimbalMixPb", IDS_MIXTEX_PB, &mixTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1484, IDS_MIXTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* MixTexTraits::classDesc() { return &mixTexCd; }
ClassDescCommon* mixTexClassDesc() { return &mixTexCd; }

MixTex::MixTex() = default;

}  // namespace Nimbal
