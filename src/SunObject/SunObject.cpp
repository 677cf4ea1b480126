#include "SunObject/SunObject.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_SUNOBJECT_PB = 7000,
    IDS_SUNOBJECT_ROLLOUT_0 = 7001,
    IDS_SUNOBJECT_ROLLOUT_1 = 7002,
};

const StringTable strings{
    {IDS_SUNOBJECT_PB, "Sun paramblock"},
    {IDS_SUNOBJECT_ROLLOUT_0, "Nimbal Sun"},
    {IDS_SUNOBJECT_ROLLOUT_1, "Sun position"},
};

class SunObjectCd : public ClassDescCommon {
public:
    SunObjectCd() : ClassDescCommon("Nimbal", "NimbalSun", LIGHT_CLASS_ID, Class_ID(0x7C3A3C80, 0x09CF576F)) {}
    void* Create(BOOL) override { return new (std::nothrow) SunObject(); }
};

SunObjectCd sunObjectCd;

ParamBlockDesc2 sunObjectPbDesc(
    BlockDesc{0, "NimbalSunPb", IDS_SUNOBJECT_PB, &sunObjectCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP | P_VERSION, 1000, 0,
             {
             RolloutDesc{0, 1706, IDS_SUNOBJECT_ROLLOUT_0, 0, nullptr},
             RolloutDesc{1, 1707, IDS_SUNOBJECT_ROLLOUT_1, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* SunObjectTraits::classDesc() { return &sunObjectCd; }
ClassDescCommon* sunObjectClassDesc() { return &sunObjectCd; }

SunObject::SunObject() = default;

}  // namespace Nimbal
