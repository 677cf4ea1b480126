#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class CameraMod;

struct CameraModTraits {
    using Base = Modifier;
    using Final = CameraMod;
    static constexpr SClass_ID SUPER_CLASS_ID = OSM_CLASS_ID;
    static ClassDesc2* classDesc();
};

class CameraMod final : public PluginTemplate<CameraModTraits> {
public:
    CameraMod();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* cameraModClassDesc();

}  // namespace Nimbal
