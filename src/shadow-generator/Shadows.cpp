#include "shadow-generator/Shadows.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_SHADOWS_PB = 3000,
    IDS_SHADOWS_ROLLOUT_0 = 3001,
};

const StringTable strings{
    {IDS_SHADOWS_PB, "Shadows paramblock"},
    {IDS_SHADOWS_ROLLOUT_0, "Nimbal Shadows"},
};

class ShadowsCd : public ClassDescCommon {
public:
    ShadowsCd() : ClassDescCommon("Nimbal", "NimbalShadows", SHADOW_TYPE_CLASS_ID, Class_ID(0x28704565, 0xCC151275)) {}
    void* Create(BOOL) override { return new (std::nothrow) Shadows(); }
};

ShadowsCd shadowsCd;

ParamBlockDesc2 shadowsPbDesc(
    BlockDesc{0, "NimbalShadowsPb", IDS_SHADOWS_PB, &shadowsCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1702, IDS_SHADOWS_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* ShadowsTraits::classDesc() { return &shadowsCd; }
ClassDescCommon* shadowsClassDesc() { return &shadowsCd; }

Shadows::Shadows() = default;

}  // namespace Nimbal
