#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class ColorMapperTex;

struct ColorMapperTexTraits {
    using Base = ::Texmap;
    using Final = ColorMapperTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class ColorMapperTex final : public TexmapTemplate<ColorMapperTexTraits> {
public:
    ColorMapperTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* colorMapperTexClassDesc();

}  // namespace Nimbal
