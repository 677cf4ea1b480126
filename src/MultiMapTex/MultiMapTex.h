#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class MultiMapTex;

struct MultiMapTexTraits {
    using Base = ::Texmap;
    using Final = MultiMapTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class MultiMapTex final : public TexmapTemplate<MultiMapTexTraits> {
public:
    MultiMapTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* multiMapTexClassDesc();

}  // namespace Nimbal
