#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class FractalObject;

struct FractalObjectTraits {
    using Base = GeomObject;
    using Final = FractalObject;
    static constexpr SClass_ID SUPER_CLASS_ID = GEOMOBJECT_CLASS_ID;
    static ClassDesc2* classDesc();
};

class FractalObject final : public PluginTemplate<FractalObjectTraits> {
public:
    FractalObject();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* fractalObjectClassDesc();

}  // namespace Nimbal
