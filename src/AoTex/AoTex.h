#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class AoTex;

struct AoTexTraits {
    using Base = ::Texmap;
    using Final = AoTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class AoTex final : public TexmapTemplate<AoTexTraits> {
public:
    AoTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* aoTexClassDesc();

}  // namespace Nimbal
