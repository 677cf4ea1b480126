#include "PortalMtl/PortalMtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_PORTALMTL_PB = 18000,
    IDS_PORTALMTL_ROLLOUT_0 = 18001,
};

const StringTable strings{
    {IDS_PORTALMTL_PB, "Portal mtl paramblock"},
    {IDS_PORTALMTL_ROLLOUT_0, "Nimbal Portal Material"},
};

// A portal has nothing to edit; its rollout only names it.
const DialogTable dialogs{
    {1491, "Nimbal Portal Material", {}},
};

class PortalMtlCd : public ClassDescCommon {
public:
    PortalMtlCd() : ClassDescCommon("Nimbal", "NimbalPortalMtl", MATERIAL_CLASS_ID, Class_ID(0x76666506, 0x448ADE9D)) {}
    void* Create(BOOL) override { return new (std::nothrow) PortalMtl(); }
};

PortalMtlCd portalMtlCd;

ParamBlockDesc2 portalMtlPbDesc(
    BlockDesc{0, "NimbalPortalMtlPb", IDS_PORTALMTL_PB, &portalMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1491, IDS_PORTALMTL_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* PortalMtlTraits::classDesc() { return &portalMtlCd; }
ClassDescCommon* portalMtlClassDesc() { return &portalMtlCd; }

PortalMtl::PortalMtl() = default;

}  // namespace Nimbal
