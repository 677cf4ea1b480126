#include "Light/Light.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_LIGHT_PB = 2000,
    IDS_LIGHT_ROLLOUT_0 = 2001,
    IDS_LIGHT_ROLLOUT_1 = 2002,
};

const StringTable strings{
    {IDS_LIGHT_PB, "Light base paramblock"},
    {IDS_LIGHT_ROLLOUT_0, "Nimbal Light"},
    {IDS_LIGHT_ROLLOUT_1, "IES"},
};

class LightCd : public ClassDescCommon {
public:
    LightCd() : ClassDescCommon("Nimbal", "NimbalLight", LIGHT_CLASS_ID, Class_ID(0x423045E5, 0x294C5879)) {}
    void* Create(BOOL) override { return new (std::nothrow) Light(); }
};

LightCd lightCd;

ParamBlockDesc2 lightPbDesc(
    BlockDesc{0, "NimbalLightPb", IDS_LIGHT_PB, &lightCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP, 0, 0,
             {
             RolloutDesc{0, 1700, IDS_LIGHT_ROLLOUT_0, 0, nullptr},
             RolloutDesc{1, 1701, IDS_LIGHT_ROLLOUT_1, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* LightTraits::classDesc() { return &lightCd; }
ClassDescCommon* lightClassDesc() { return &lightCd; }

Light::Light() = default;

}  // namespace Nimbal
