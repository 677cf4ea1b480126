// The renderer's core shading context, answered from plain fields: a test or
// a tool sets the shading point field by field and hands the context to a
// MaxShadeContext.
#pragma once

#include <optional>
#include <vector>

#include "core-interface/IShadeContext.h"

namespace Nimbal {

class CoreShadeContext final : public IShadeContext {
public:
    CoreShadeContext() = default;

    int contextKind() const override { return kind; }
    int rayKindIndex() const override { return rayKind; }
    bool isBackSide() const override { return backSide; }
    Dir shadingNormal() const override { return normal; }
    Dir geometryNormal() const override { return geometricNormal; }
    Pos hitPosition() const override { return hit; }
    Pos cameraPosition() const override { return camera; }
    const CoreObject* currentObject() const override { return object ? &*object : nullptr; }
    const CoreInstance* currentInstance() const override { return instance ? &*instance : nullptr; }
    float pixelWorldRatio(float pixels) const override { return worldPerPixel * pixels; }
    const CoreMaterial* currentMaterial() const override { return material ? &*material : nullptr; }
    Dir dUVW(int channel) const override;
    Rgb inverseColorMapping(const Rgb& color) const override;
    const SkyScene* skyScene() const override { return sky; }

    Pos shadingPosition() const override { return hit; }
    float shadowSampleMultiplier() const override { return sampleMultiplier; }
    Vector2 random2D() override;
    WideRGB traceShadow(const Pos& target, int flags) override;
    void sceneBounds(Pos& lower, Pos& upper) const override {
        lower = boundsLower;
        upper = boundsUpper;
    }

    // The answers.
    int kind = CONTEXT_KIND_SURFACE;
    int rayKind = RAY_DIRECT;
    bool backSide = false;
    Dir normal = Dir::UNIT_Z;
    Dir geometricNormal = Dir::UNIT_Z;
    Pos hit = Pos::ZERO;
    Pos camera = Pos(0.f, 0.f, 10.f);
    std::optional<CoreObject> object;
    std::optional<CoreInstance> instance;
    std::optional<CoreMaterial> material;
    float worldPerPixel = 0.01f;
    // dUVW of channel c is duvw[c] when present, else duvwDefault.
    std::vector<Dir> duvw;
    Dir duvwDefault = Dir::ZERO;
    // The renderer's colour mapping here is a gain per channel; its inverse
    // divides by it (a zero gain leaves the channel alone).
    Rgb colorMappingGain = Rgb::WHITE;
    const SkyScene* sky = nullptr;
    float sampleMultiplier = 1.f;
    // random2D hands these out in turn, then continues with its own
    // deterministic sequence.
    std::vector<Vector2> randomPairs;
    WideRGB shadowTransmission = WideRGB(1., 1., 1.);
    Pos boundsLower = Pos::NEGATIVE_ONES;
    Pos boundsUpper = Pos::ONES;

    // What shadow rays were traced, in order.
    std::vector<Pos> tracedTargets;
    std::vector<int> tracedFlags;

private:
    size_t nextPair_ = 0;
    uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

} // namespace Nimbal
