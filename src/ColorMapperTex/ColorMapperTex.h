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
    // Parameter ids: stored in scenes and read by the renderer.
    enum : ParamID { PB_INPUT_MAP = 111, PB_INTERPOLATION = 10, PB_POINTS = 20 };

    ColorMapperTex();

    // Defaults, then the two end markers of the gradient.
    void Reset() override;

private:
    void setEndMarkers();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* colorMapperTexClassDesc();

}  // namespace Nimbal
