#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class DataTex;

struct DataTexTraits {
    using Base = ::Texmap;
    using Final = DataTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class DataTex final : public TexmapTemplate<DataTexTraits> {
public:
    DataTex();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* dataTexClassDesc();

}  // namespace Nimbal
