#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class Shadows;

struct ShadowsTraits {
    using Base = ShadowType;
    using Final = Shadows;
    static constexpr SClass_ID SUPER_CLASS_ID = SHADOW_TYPE_CLASS_ID;
    static ClassDesc2* classDesc();
};

class Shadows final : public PluginTemplate<ShadowsTraits> {
public:
    Shadows();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* shadowsClassDesc();

}  // namespace Nimbal
