#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class RaySwitchTex;

struct RaySwitchTexTraits {
    using Base = ::Texmap;
    using Final = RaySwitchTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class RaySwitchTex final : public TexmapTemplate<RaySwitchTexTraits> {
public:
    RaySwitchTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* raySwitchTexClassDesc();

}  // namespace Nimbal
