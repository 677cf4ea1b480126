#include "Mtl/Mtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_MTL_PB = 1000,
    IDS_MTL_ROLLOUT_0 = 1001,
    IDS_MTL_ROLLOUT_1 = 1002,
    IDS_MTL_ROLLOUT_2 = 1003,
    IDS_MTL_ROLLOUT_3 = 1004,
};

const StringTable strings{
    {IDS_MTL_PB, "Mtl paramblock"},
    {IDS_MTL_ROLLOUT_0, "Basic options"},
    {IDS_MTL_ROLLOUT_1, "Volumetric absorption and scattering"},
    {IDS_MTL_ROLLOUT_2, "Advanced options"},
    {IDS_MTL_ROLLOUT_3, "Maps"},
};

class MtlCd : public ClassDescCommon {
public:
    MtlCd() : ClassDescCommon("Nimbal", "NimbalMtl", MATERIAL_CLASS_ID, Class_ID(0x70BE6506, 0x448931DD)) {}
    void* Create(BOOL) override { return new (std::nothrow) Mtl(); }
};

MtlCd mtlCd;

ParamBlockDesc2 mtlPbDesc(
    BlockDesc{0, "NimbalMtlPb", IDS_MTL_PB, &mtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP | P_VERSION, 1983716, 0,
             {
             RolloutDesc{54, 1485, IDS_MTL_ROLLOUT_0, 0, nullptr},
             RolloutDesc{38, 1683, IDS_MTL_ROLLOUT_1, APPENDROLL_CLOSED, nullptr},
             RolloutDesc{85, 1486, IDS_MTL_ROLLOUT_2, APPENDROLL_CLOSED, nullptr},
             RolloutDesc{44, 1487, IDS_MTL_ROLLOUT_3, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* MtlTraits::classDesc() { return &mtlCd; }
ClassDescCommon* mtlClassDesc() { return &mtlCd; }

Mtl::Mtl() = default;

}  // namespace Nimbal
