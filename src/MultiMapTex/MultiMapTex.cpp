#include "MultiMapTex/MultiMapTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_MULTIMAPTEX_PB = 24000,
    IDS_MULTIMAPTEX_ROLLOUT_0 = 24001,
};

const StringTable strings{
    {IDS_MULTIMAPTEX_PB, "MultiMapTex paramblock2"},
    {IDS_MULTIMAPTEX_ROLLOUT_0, "Nimbal Multi Texmap"},
};

class MultiMapTexCd : public ClassDescCommon {
public:
    MultiMapTexCd() : ClassDescCommon(TEXMAP_CAT_COMP, "NimbalMultiMap", TEXMAP_CLASS_ID, Class_ID(0xBABA3487, 0x30782624)) {}
    void* Create(BOOL) override { return new (std::nothrow) MultiMapTex(); }
};

MultiMapTexCd multiMapTexCd;

ParamBlockDesc2 multiMapTexPbDesc(
    BlockDesc{0, "MultiMapTexPb", IDS_MULTIMAPTEX_PB, &multiMapTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 16985, IDS_MULTIMAPTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* MultiMapTexTraits::classDesc() { return &multiMapTexCd; }
ClassDescCommon* multiMapTexClassDesc() { return &multiMapTexCd; }

MultiMapTex::MultiMapTex() = default;

}  // namespace Nimbal
