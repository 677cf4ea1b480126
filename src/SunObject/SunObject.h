#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class SunObject;

struct SunObjectTraits {
    using Base = GenLight;
    using Final = SunObject;
    static constexpr SClass_ID SUPER_CLASS_ID = LIGHT_CLASS_ID;
    static ClassDesc2* classDesc();
};

class SunObject final : public PluginTemplate<SunObjectTraits> {
public:
    SunObject();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* sunObjectClassDesc();

}  // namespace Nimbal
