// The renderer plug-in's host shading contexts, as far as this library knows
// them: their type identity and the core context they carry. Everything here
// is defined in the header, so their run-time type information lives in
// every module that uses it and a downcast works without linking the
// renderer.
#pragma once

#include <typeinfo>

#include "core-interface/IShadeContext.h"
#include "host/ShadeContext.h"

namespace Nimbal {

// The renderer's contexts. Host queries are answered from the core shading
// point where the core has the answer.
class MaxShadeContextBase : public ::ShadeContext {
public:
    // The core context of the shading point: the one member the library reads.
    IShadeContext* coreContext = nullptr;

    Point3 Normal() override { return coreContext ? toPoint3(coreContext->shadingNormal()) : ShadeContext::Normal(); }
    Point3 OrigNormal() override { return Normal(); }
    Point3 GNormal() override {
        return coreContext ? toPoint3(coreContext->geometryNormal()) : ShadeContext::GNormal();
    }
    Point3 P() override { return coreContext ? toPoint3(coreContext->hitPosition()) : ShadeContext::P(); }
    Point3 CamPos() override { return coreContext ? toPoint3(coreContext->cameraPosition()) : ShadeContext::CamPos(); }
    Point3 V() override {
        if (!coreContext) return ShadeContext::V();
        return toPoint3(Dir(coreContext->hitPosition() - coreContext->cameraPosition())).Normalize();
    }
    Point3 OrigView() override { return V(); }

protected:
    explicit MaxShadeContextBase(IShadeContext* core) : coreContext(core) {}

    static Point3 toPoint3(const Dir& d) { return Point3(d.x, d.y, d.z); }
    static Point3 toPoint3(const Pos& p) { return Point3(p.x, p.y, p.z); }
};

// The context of ordinary surface shading.
class MaxShadeContext : public MaxShadeContextBase {
public:
    explicit MaxShadeContext(IShadeContext* core) : MaxShadeContextBase(core) {}
};

// The context of light and shadow queries; a shadow generator writes its
// result into shadowResult.
class LightShadeContext : public ::ShadeContext {
public:
    explicit LightShadeContext(IShadeContext* core) : coreContext(core) {}

    IShadeContext* coreContext = nullptr;
    WideRGB shadowResult;
};

// The three ways maps recognise the renderer's context, strictest first.
// Each gives the core context, or null when the map must take its fallback
// (a recognised context without a core context included).

// Only a context whose run-time type is exactly MaxShadeContext.
inline IShadeContext* coreOfExactMaxShadeContext(ShadeContext& sc) {
    return typeid(sc) == typeid(MaxShadeContext) ? static_cast<MaxShadeContext&>(sc).coreContext : nullptr;
}

// MaxShadeContext or anything derived from it.
inline IShadeContext* coreOfMaxShadeContext(ShadeContext& sc) {
    auto* renderer = dynamic_cast<MaxShadeContext*>(&sc);
    return renderer ? renderer->coreContext : nullptr;
}

// Any of the renderer's host contexts.
inline IShadeContext* coreOfMaxShadeContextBase(ShadeContext& sc) {
    auto* renderer = dynamic_cast<MaxShadeContextBase*>(&sc);
    return renderer ? renderer->coreContext : nullptr;
}

// The renderer's light context, or null.
inline LightShadeContext* asLightShadeContext(ShadeContext& sc) { return dynamic_cast<LightShadeContext*>(&sc); }

} // namespace Nimbal
