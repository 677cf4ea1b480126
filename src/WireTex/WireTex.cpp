#include "WireTex/WireTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_WIRETEX_PB = 13000,
    IDS_WIRETEX_ROLLOUT_0 = 13001,
};

const StringTable strings{
    {IDS_WIRETEX_PB, "Wire tex paramblock"},
    {IDS_WIRETEX_ROLLOUT_0, "Nimbal Wire Texmap"},
};

class WireTexCd : public ClassDescCommon {
public:
    WireTexCd() : ClassDescCommon(TEXMAP_CAT_3D, "NimbalWire", TEXMAP_CLASS_ID, Class_ID(0x6520786F, 0x321045B4)) {}
    void* Create(BOOL) override { return new (std::nothrow) WireTex(); }
};

WireTexCd wireTexCd;

ParamBlockDesc2 wireTexPbDesc(
    BlockDesc{0, "NimbalWirePb", IDS_WIRETEX_PB, &wireTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1506, IDS_WIRETEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* WireTexTraits::classDesc() { return &wireTexCd; }
ClassDescCommon* wireTexClassDesc() { return &wireTexCd; }

WireTex::WireTex() = default;

}  // namespace Nimbal
