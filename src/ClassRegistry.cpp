// The registry: the order in which the host asks for the descriptors.
#include "ClassDescs.h"

#include "Mtl/Mtl.h"
#include "Light/Light.h"
#include "shadow-generator/Shadows.h"
#include "FractalObject/FractalObject.h"
#include "SkyTex/SkyTex.h"
#include "AoTex/AoTex.h"
#include "SunObject/SunObject.h"
#include "DataTex/DataTex.h"
#include "VolumeMtl/VolumeMtl.h"
#include "Scatter/Scatter.h"
#include "Proxy/Proxy.h"
#include "LightMtl/LightMtl.h"
#include "WireTex/WireTex.h"
#include "MixTex/MixTex.h"
#include "ColorTex/ColorTex.h"
#include "camera-modifier/CameraMod.h"
#include "OutputTex/OutputTex.h"
#include "PortalMtl/PortalMtl.h"
#include "front-back-map/FrontBackTex.h"
#include "NormalTex/NormalTex.h"
#include "ray-switch-map/RaySwitchTex.h"
#include "RaySwitchMtl/RaySwitchMtl.h"
#include "ShadowCatcherMtl/ShadowCatcherMtl.h"
#include "MultiMapTex/MultiMapTex.h"
#include "FractalTex/FractalTex.h"
#include "ColorMapperTex/ColorMapperTex.h"

namespace Nimbal {

ClassDescCommon* classDescAt(unsigned int index) {
    static ClassDescCommon* (*const table[ALL_CLASSES])() = {
    &mtlClassDesc,
    &lightClassDesc,
    &shadowsClassDesc,
    &fractalObjectClassDesc,
    &skyTexClassDesc,
    &aoTexClassDesc,
    &sunObjectClassDesc,
    &dataTexClassDesc,
    &volumeMtlClassDesc,
    &scatterClassDesc,
    &proxyClassDesc,
    &lightMtlClassDesc,
    &wireTexClassDesc,
    &mixTexClassDesc,
    &colorTexClassDesc,
    &cameraModClassDesc,
    &outputTexClassDesc,
    &portalMtlClassDesc,
    &frontBackTexClassDesc,
    &normalTexClassDesc,
    &raySwitchTexClassDesc,
    &raySwitchMtlClassDesc,
    &shadowCatcherMtlClassDesc,
    &multiMapTexClassDesc,
    &fractalTexClassDesc,
    &colorMapperTexClassDesc,
    };
    return index < ALL_CLASSES ? table[index]() : nullptr;
}

}  // namespace Nimbal
