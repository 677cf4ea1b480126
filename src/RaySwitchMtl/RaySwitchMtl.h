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

class RaySwitchMtl final : public TexmapTemplate<RaySwitchMtlTraits> {
public:
    RaySwitchMtl();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* raySwitchMtlClassDesc();

}  // namespace Nimbal
