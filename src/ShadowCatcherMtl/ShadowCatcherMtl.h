#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class ShadowCatcherMtl;

struct ShadowCatcherMtlTraits {
    using Base = ::Mtl;
    using Final = ShadowCatcherMtl;
    static constexpr SClass_ID SUPER_CLASS_ID = MATERIAL_CLASS_ID;
    static ClassDesc2* classDesc();
};

class ShadowCatcherMtl final : public TexmapTemplate<ShadowCatcherMtlTraits> {
public:
    ShadowCatcherMtl();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* shadowCatcherMtlClassDesc();

}  // namespace Nimbal
