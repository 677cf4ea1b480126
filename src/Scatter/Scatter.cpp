#include "Scatter/Scatter.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_SCATTER_PB = 10000,
    IDS_SCATTER_ROLLOUT_0 = 10001,
    IDS_SCATTER_ROLLOUT_1 = 10002,
    IDS_SCATTER_ROLLOUT_2 = 10003,
    IDS_SCATTER_ROLLOUT_3 = 10004,
};

const StringTable strings{
    {IDS_SCATTER_PB, "Scatter paramblock"},
    {IDS_SCATTER_ROLLOUT_0, "Objects"},
    {IDS_SCATTER_ROLLOUT_1, "Scattering"},
    {IDS_SCATTER_ROLLOUT_2, "Transformations"},
    {IDS_SCATTER_ROLLOUT_3, "Display"},
};

class ScatterCd : public ClassDescCommon {
public:
    ScatterCd() : ClassDescCommon("Nimbal", "NScatter", GEOMOBJECT_CLASS_ID, Class_ID(0x63B20069, 0x325E5220)) {}
    void* Create(BOOL) override { return new (std::nothrow) Scatter(); }
};

ScatterCd scatterCd;

ParamBlockDesc2 scatterPbDesc(
    BlockDesc{0, "NimbalScatterPb", IDS_SCATTER_PB, &scatterCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP | P_VERSION, 1236, 0,
             {
             RolloutDesc{0, 1708, IDS_SCATTER_ROLLOUT_0, 0, nullptr},
             RolloutDesc{1, 1709, IDS_SCATTER_ROLLOUT_1, 0, nullptr},
             RolloutDesc{2, 1710, IDS_SCATTER_ROLLOUT_2, 0, nullptr},
             RolloutDesc{3, 1711, IDS_SCATTER_ROLLOUT_3, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* ScatterTraits::classDesc() { return &scatterCd; }
ClassDescCommon* scatterClassDesc() { return &scatterCd; }

Scatter::Scatter() = default;

}  // namespace Nimbal
