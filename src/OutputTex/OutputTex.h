#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class OutputTex;

struct OutputTexTraits {
    using Base = ::Texmap;
    using Final = OutputTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class OutputTex final : public TexmapTemplate<OutputTexTraits> {
public:
    OutputTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* outputTexClassDesc();

}  // namespace Nimbal
