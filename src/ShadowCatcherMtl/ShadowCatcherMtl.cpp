#include "ShadowCatcherMtl/ShadowCatcherMtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_SHADOWCATCHERMTL_PB = 23000,
    IDS_SHADOWCATCHERMTL_ROLLOUT_0 = 23001,
};

const StringTable strings{
    {IDS_SHADOWCATCHERMTL_PB, "Shadow catcher mtl paramblock"},
    {IDS_SHADOWCATCHERMTL_ROLLOUT_0, "Nimbal Shadow Catcher Material"},
};

class ShadowCatcherMtlCd : public ClassDescCommon {
public:
    ShadowCatcherMtlCd() : ClassDescCommon("Nimbal", "NimbalShadowCatcherMtl", MATERIAL_CLASS_ID, Class_ID(0x398ACEAD, 0xACDC3625)) {}
    void* Create(BOOL) override { return new (std::nothrow) ShadowCatcherMtl(); }
};

ShadowCatcherMtlCd shadowCatcherMtlCd;

ParamBlockDesc2 shadowCatcherMtlPbDesc(
    BlockDesc{0, "ShadowCatcherPb", IDS_SHADOWCATCHERMTL_PB, &shadowCatcherMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1507, IDS_SHADOWCATCHERMTL_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* ShadowCatcherMtlTraits::classDesc() { return &shadowCatcherMtlCd; }
ClassDescCommon* shadowCatcherMtlClassDesc() { return &shadowCatcherMtlCd; }

ShadowCatcherMtl::ShadowCatcherMtl() = default;

}  // namespace Nimbal
