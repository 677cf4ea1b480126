#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class Light;

struct LightTraits {
    using Base = GenLight;
    using Final = Light;
    static constexpr SClass_ID SUPER_CLASS_ID = LIGHT_CLASS_ID;
    static ClassDesc2* classDesc();
};

class Light final : public PluginTemplate<LightTraits> {
public:
    Light();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* lightClassDesc();

}  // namespace Nimbal
