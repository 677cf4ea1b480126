#include "LightMtl/LightMtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_LIGHTMTL_PB = 12000,
    IDS_LIGHTMTL_ROLLOUT_0 = 12001,
};

const StringTable strings{
    {IDS_LIGHTMTL_PB, "LightMtl paramblock"},
    {IDS_LIGHTMTL_ROLLOUT_0, "Nimbal Light Material"},
};

class LightMtlCd : public ClassDescCommon {
public:
    LightMtlCd() : ClassDescCommon("Nimbal", "NimbalLightMtl", MATERIAL_CLASS_ID, Class_ID(0x53B7717A, 0x500D5093)) {}
    void* Create(BOOL) override { return new (std::nothrow) LightMtl(); }
};

LightMtlCd lightMtlCd;

ParamBlockDesc2 lightMtlPbDesc(
    BlockDesc{0, "LightMtlPb", IDS_LIGHTMTL_PB, &lightMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1713, IDS_LIGHTMTL_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* LightMtlTraits::classDesc() { return &lightMtlCd; }
ClassDescCommon* lightMtlClassDesc() { return &lightMtlCd; }

LightMtl::LightMtl() = default;

}  // namespace Nimbal
