#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class RaySwitchMtl;

struct RaySwitchMtlTraits {
    using Base = ::Mtl;
    using Final = RaySwitchMtl;
    static constexpr SClass_ID SUPER_CLASS_ID = MATERIAL_CLASS_ID;
    static ClassDesc2* classDesc();
};

// A sub-material slot: the material parameter that holds it and its name.
struct SubMtlSlot {
    ParamID mtlId;
    const char* name;
};

class RaySwitchMtl final : public TexmapTemplate<RaySwitchMtlTraits> {
public:
    // One sub-material per kind of ray, in sub-material order.
    static constexpr int NUM_SUB_MTLS = 4;
    static const SubMtlSlot subMtlSlots[NUM_SUB_MTLS];

    RaySwitchMtl();

    int NumSubMtls() override { return NUM_SUB_MTLS; }
    ::Mtl* GetSubMtl(int i) override;
    void SetSubMtl(int i, ::Mtl* m) override;
    MSTR GetSubMtlSlotName(int i) override;
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* raySwitchMtlClassDesc();

}  // namespace Nimbal
