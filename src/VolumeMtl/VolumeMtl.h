#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class VolumeMtl;

struct VolumeMtlTraits {
    using Base = ::Mtl;
    using Final = VolumeMtl;
    static constexpr SClass_ID SUPER_CLASS_ID = MATERIAL_CLASS_ID;
    static ClassDesc2* classDesc();
};

class VolumeMtl final : public TexmapTemplate<VolumeMtlTraits> {
public:
    VolumeMtl();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* volumeMtlClassDesc();

}  // namespace Nimbal
