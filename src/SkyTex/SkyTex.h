#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class SkyTex;

struct SkyTexTraits {
    using Base = ::Texmap;
    using Final = SkyTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class SkyTex final : public TexmapTemplate<SkyTexTraits> {
public:
    SkyTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* skyTexClassDesc();

}  // namespace Nimbal
