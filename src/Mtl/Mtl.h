#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class Mtl;

struct MtlTraits {
    using Base = ::Mtl;
    using Final = Mtl;
    static constexpr SClass_ID SUPER_CLASS_ID = MATERIAL_CLASS_ID;
    static ClassDesc2* classDesc();
};

class Mtl final : public PluginTemplate<MtlTraits> {
public:
    Mtl();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* mtlClassDesc();

}  // namespace Nimbal
