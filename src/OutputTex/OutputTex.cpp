#include "OutputTex/OutputTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_OUTPUTTEX_PB = 17000,
    IDS_OUTPUTTEX_ROLLOUT_0 = 17001,
};

const StringTable strings{
    {IDS_OUTPUTTEX_PB, "Map output pblock"},
    {IDS_OUTPUTTEX_ROLLOUT_0, "Nimbal Colormapping Output Texmap"},
};

class OutputTexCd : public ClassDescCommon {
public:
    OutputTexCd() : ClassDescCommon(TEXMAP_CAT_COLMOD, "NimbalOutput", TEXMAP_CLASS_ID, Class_ID(0x81426DC9, 0x37843900)) {}
    void* Create(BOOL) override { return new (std::nothrow) OutputTex(); }
};

OutputTexCd outputTexCd;

ParamBlockDesc2 outputTexPbDesc(
    BlockDesc{0, "NimbalOutputTex", IDS_OUTPUTTEX_PB, &outputTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1490, IDS_OUTPUTTEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* OutputTexTraits::classDesc() { return &outputTexCd; }
ClassDescCommon* outputTexClassDesc() { return &outputTexCd; }

OutputTex::OutputTex() = default;

}  // namespace Nimbal
