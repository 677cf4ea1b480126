#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class NormalTex;

struct NormalTexTraits {
    using Base = ::Texmap;
    using Final = NormalTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class NormalTex final : public TexmapTemplate<NormalTexTraits> {
public:
    NormalTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* normalTexClassDesc();

}  // namespace Nimbal
