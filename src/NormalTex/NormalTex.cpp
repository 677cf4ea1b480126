#include "NormalTex/NormalTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_NORMALTEX_PB = 20000,
    IDS_NORMALTEX_ROLLOUT_0 = 20001,
};

const StringTable strings{
    {IDS_NORMALTEX_PB, "ParamBlock NimbalNormal"},
    {IDS_NORMALTEX_ROLLOUT_0, "Nimbal Normal Texmap"},
};

class NormalTexCd : public ClassDescCommon {
public:
    NormalTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "NimbalNormal", TEXMAP_CLASS_ID, Class_ID(0x2870CEAA, 0xCC18437C)) {}
    void* Create(BOOL) override { return new (std::nothrow) NormalTex(); }
};

NormalTexCd normalTexCd;

ParamBlockDesc2 normalTexPbDesc(
    BlockDesc{0, "NimbalNormalPb", IDS_NORMALTEX_PB, &normalTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1489, IDS_NORMALTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* NormalTexTraits::classDesc() { return &normalTexCd; }
ClassDescCommon* normalTexClassDesc() { return &normalTexCd; }

NormalTex::NormalTex() = default;

}  // namespace Nimbal
