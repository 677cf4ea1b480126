#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class MixTex;

struct MixTexTraits {
    using Base = ::Texmap;
    using Final = MixTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class MixTex final : public TexmapTemplate<MixTexTraits> {
public:
    MixTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* mixTexClassDesc();

}  // namespace Nimbal
