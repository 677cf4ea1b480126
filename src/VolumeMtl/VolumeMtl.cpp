#include "VolumeMtl/VolumeMtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_VOLUMEMTL_PB = 9000,
    IDS_VOLUMEMTL_ROLLOUT_0 = 9001,
};

const StringTable strings{
    {IDS_VOLUMEMTL_PB, "VOlumeMtl paramblock"},
    {IDS_VOLUMEMTL_ROLLOUT_0, "Nimbal Volumetric Material"},
};

class VolumeMtlCd : public ClassDescCommon {
public:
    VolumeMtlCd() : ClassDescCommon("Nimbal", "NimbalVolumeMtl", MATERIAL_CLASS_ID, Class_ID(0x39874782, 0x378CDE97)) {}
    void* Create(BOOL) override { return new (std::nothrow) VolumeMtl(); }
};

VolumeMtlCd volumeMtlCd;

ParamBlockDesc2 volumeMtlPbDesc(
    BlockDesc{0, "VolumeMtlPb", IDS_VOLUMEMTL_PB, &volumeMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_VERSION, 47346, 0,
             {
             RolloutDesc{0, 1505, IDS_VOLUMEMTL_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* VolumeMtlTraits::classDesc() { return &volumeMtlCd; }
ClassDescCommon* volumeMtlClassDesc() { return &volumeMtlCd; }

VolumeMtl::VolumeMtl() = default;

}  // namespace Nimbal
