#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class PortalMtl;

struct PortalMtlTraits {
    using Base = ::Mtl;
    using Final = PortalMtl;
    static constexpr SClass_ID SUPER_CLASS_ID = MATERIAL_CLASS_ID;
    static ClassDesc2* classDesc();
};

class PortalMtl final : public TexmapTemplate<PortalMtlTraits> {
public:
    PortalMtl();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* portalMtlClassDesc();

}  // namespace Nimbal
