#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class FractalTex;

struct FractalTexTraits {
    using Base = ::Texmap;
    using Final = FractalTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class FractalTex final : public TexmapTemplate<FractalTexTraits> {
public:
    FractalTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* fractalTexClassDesc();

}  // namespace Nimbal
