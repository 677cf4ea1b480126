#include "FractalObject/FractalObject.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_FRACTALOBJECT_PB = 4000,
    IDS_FRACTALOBJECT_ROLLOUT_0 = 4001,
};

const StringTable strings{
    {IDS_FRACTALOBJECT_PB, "Fractal paramblock"},
    {IDS_FRACTALOBJECT_ROLLOUT_0, "Nimbal Volume Fractal"},
};

class FractalObjectCd : public ClassDescCommon {
public:
    FractalObjectCd() : ClassDescCommon("Nimbal", "NFractal", GEOMOBJECT_CLASS_ID, Class_ID(0xA81B220E, 0x7964D0A3)) {}
    void* Create(BOOL) override { return new (std::nothrow) FractalObject(); }
};

FractalObjectCd fractalObjectCd;

ParamBlockDesc2 fractalObjectPbDesc(
    BlockDesc{0, "NimbalFractalPb", IDS_FRACTALOBJECT_PB, &fractalObjectCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1703, IDS_FRACTALOBJECT_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* FractalObjectTraits::classDesc() { return &fractalObjectCd; }
ClassDescCommon* fractalObjectClassDesc() { return &fractalObjectCd; }

FractalObject::FractalObject() = default;

}  // namespace Nimbal
