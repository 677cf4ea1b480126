#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class WireTex;

struct WireTexTraits {
    using Base = ::Texmap;
    using Final = WireTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class WireTex final : public TexmapTemplate<WireTexTraits> {
public:
    WireTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* wireTexClassDesc();

}  // namespace Nimbal
