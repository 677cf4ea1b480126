#include "DataTex/DataTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_DATATEX_PB = 8000,
    IDS_DATATEX_ROLLOUT_0 = 8001,
};

const StringTable strings{
    {IDS_DATATEX_PB, "DataTex paramblock"},
    {IDS_DATATEX_ROLLOUT_0, "Nimbal Data Visualization Texmap"},
};

class DataTexCd : public ClassDescCommon {
public:
    DataTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "NimbalData", TEXMAP_CLASS_ID, Class_ID(0xACE84000, 0x0486165E)) {}
    void* Create(BOOL) override { return new (std::nothrow) DataTex(); }
};

DataTexCd dataTexCd;

ParamBlockDesc2 dataTexPbDesc(
    BlockDesc{0, "NimbalDataTexCd", IDS_DATATEX_PB, &dataTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1504, IDS_DATATEX_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* DataTexTraits::classDesc() { return &dataTexCd; }
ClassDescCommon* dataTexClassDesc() { return &dataTexCd; }

DataTex::DataTex() = default;

}  // namespace Nimbal
