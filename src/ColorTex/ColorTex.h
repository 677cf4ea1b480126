#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class ColorTex;

struct ColorTexTraits {
    using Base = ::Texmap;
    using Final = ColorTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class ColorTex final : public TexmapTemplate<ColorTexTraits> {
public:
    ColorTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* colorTexClassDesc();

}  // namespace Nimbal
