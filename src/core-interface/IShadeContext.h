#pragma once

#include <cstdint>

#include "core-interface/String.h"
#include "core-interface/Values.h"

namespace Nimbal {

// The renderer's sky set-up for the shading point (its current sun); its
// layout comes with the sky shader.
struct SkyScene;

// What the core knows of the object being shaded.
struct CoreObject {
    uint32_t gbufferId = 0;
    Rgb wireColor;
};

// One instance of an object in the rendered scene.
class CoreInstance {
public:
    explicit CoreInstance(uint64_t value = 0) : value_(value) {}
    // Identifies the instance among all instances of the scene.
    uint64_t instanceValue() const { return value_; }

private:
    uint64_t value_;
};

// The material being shaded.
struct CoreMaterial {
    String name;
    uint32_t gbufferId = 0;
};

// The kind of context in which the object, instance and material records
// are the shaded surface's own.
inline constexpr int CONTEXT_KIND_SURFACE = 38;

// What rayKindIndex answers.
enum RayKind : int {
    RAY_GLOBAL_ILLUMINATION = 0,
    RAY_REFLECTION = 1,
    RAY_REFRACTION = 2,
    RAY_DIRECT = 3,
};

// The core's shading context of one shading point. The library calls only
// these operations, and the order below is the order of the interface's
// slots: new operations go at the end. The renderer owns every context;
// nobody deletes one through this interface.
class IShadeContext {
public:
    virtual int contextKind() const = 0;
    virtual int rayKindIndex() const = 0;
    virtual bool isBackSide() const = 0;
    virtual Dir shadingNormal() const = 0;
    virtual Dir geometryNormal() const = 0;
    // World space.
    virtual Pos hitPosition() const = 0;
    virtual Pos cameraPosition() const = 0;
    // Null when the point lies on no object.
    virtual const CoreObject* currentObject() const = 0;
    virtual const CoreInstance* currentInstance() const = 0;
    // World size of the given number of pixels at the shading point.
    virtual float pixelWorldRatio(float pixels) const = 0;
    virtual const CoreMaterial* currentMaterial() const = 0;
    virtual Dir dUVW(int channel) const = 0;
    // Undoes the renderer's colour mapping, so a colour passed through it
    // comes out of the frame unchanged.
    virtual Rgb inverseColorMapping(const Rgb& color) const = 0;
    virtual const SkyScene* skyScene() const = 0;

    // Light and shadow queries.
    virtual Pos shadingPosition() const = 0;
    // Scales a shadow sample count.
    virtual float shadowSampleMultiplier() const = 0;
    // A pair of numbers in [0, 1); each call draws a new pair.
    virtual Vector2 random2D() = 0;
    // Light transmitted from the shading point to a world point.
    virtual WideRGB traceShadow(const Pos& target, int flags) = 0;
    // The world bounding box of the scene: its two corners.
    virtual void sceneBounds(Pos& lower, Pos& upper) const = 0;

protected:
    IShadeContext() = default;
    IShadeContext(const IShadeContext&) = default;
    IShadeContext& operator=(const IShadeContext&) = default;
    ~IShadeContext() = default;
};

} // namespace Nimbal
