#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class LightMtl;

struct LightMtlTraits {
    using Base = ::Mtl;
    using Final = LightMtl;
    static constexpr SClass_ID SUPER_CLASS_ID = MATERIAL_CLASS_ID;
    static ClassDesc2* classDesc();
};

class LightMtl final : public TexmapTemplate<LightMtlTraits> {
public:
    LightMtl();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* lightMtlClassDesc();

}  // namespace Nimbal
