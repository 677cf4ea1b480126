#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class FrontBackTex;

struct FrontBackTexTraits {
    using Base = ::Texmap;
    using Final = FrontBackTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class FrontBackTex final : public TexmapTemplate<FrontBackTexTraits> {
public:
    FrontBackTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* frontBackTexClassDesc();

}  // namespace Nimbal
