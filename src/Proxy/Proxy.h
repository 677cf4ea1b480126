#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class Proxy;

struct ProxyTraits {
    using Base = GeomObject;
    using Final = Proxy;
    static constexpr SClass_ID SUPER_CLASS_ID = GEOMOBJECT_CLASS_ID;
    static ClassDesc2* classDesc();
};

class Proxy final : public PluginTemplate<ProxyTraits> {
public:
    Proxy();
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* proxyClassDesc();

}  // namespace Nimbal
