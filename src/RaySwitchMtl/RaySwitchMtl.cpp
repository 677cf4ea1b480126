#include "RaySwitchMtl/RaySwitchMtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_RAYSWITCHMTL_PB = 22000,
    IDS_RAYSWITCHMTL_ROLLOUT_0 = 22001,
};

const StringTable strings{
    {IDS_RAYSWITCHMTL_PB, "Rayswitchermtlpb"},
    {IDS_RAYSWITCHMTL_ROLLOUT_0, "Nimbal Ray Switcher Material"},
};

class RaySwitchMtlCd : public ClassDescCommon {
public:
    RaySwitchMtlCd() : ClassDescCommon("Nimbal", "NimbalRaySwitchMtl", MATERIAL_CLASS_ID, Class_ID(0x6816116A, 0xABE651DE)) {}
    void* Create(BOOL) override { return new (std::nothrow) RaySwitchMtl(); }
};

RaySwitchMtlCd raySwitchMtlCd;

ParamBlockDesc2 raySwitchMtlPbDesc(
    BlockDesc{0, "RaySwitchMtlPb", IDS_RAYSWITCHMTL_PB, &raySwitchMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1493, IDS_RAYSWITCHMTL_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* RaySwitchMtlTraits::classDesc() { return &raySwitchMtlCd; }
ClassDescCommon* raySwitchMtlClassDesc() { return &raySwitchMtlCd; }

RaySwitchMtl::RaySwitchMtl() = default;

}  // namespace Nimbal
