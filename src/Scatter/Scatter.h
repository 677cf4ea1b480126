#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class Scatter;

struct ScatterTraits {
    using Base = GeomObject;
    using Final = Scatter;
    static constexpr SClass_ID SUPER_CLASS_ID = GEOMOBJECT_CLASS_ID;
    static ClassDesc2* classDesc();
};

class Scatter final : public PluginTemplate<ScatterTraits> {
public:
    Scatter();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* scatterClassDesc();

}  // namespace Nimbal
