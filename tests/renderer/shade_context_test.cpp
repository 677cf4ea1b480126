// The renderer's contexts as maps meet them: the three recognition helpers
// with their different strictness, and the core shading context answering
// what a test sets.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "renderer/CoreShadeContext.h"
#include "core-interface/MaxShadeContext.h"
#include "shading/UvwContext.h"

using namespace Nimbal;

namespace {

// A renderer context that is one of the renderer's types but not the
// surface context.
class OtherRendererContext : public MaxShadeContextBase {
public:
    explicit OtherRendererContext(IShadeContext* core) : MaxShadeContextBase(core) {}
};

// A specialisation of the surface context.
class DerivedSurfaceContext : public MaxShadeContext {
public:
    explicit DerivedSurfaceContext(IShadeContext* core) : MaxShadeContext(core) {}
};

TEST(RendererContext, RecognitionHelpersDifferInStrictness) {
    CoreShadeContext core;
    MaxShadeContext surface(&core);
    DerivedSurfaceContext derived(&core);
    OtherRendererContext other(&core);
    LightShadeContext light(&core);
    UvwContext preview;
    ShadeContext plain;
    MaxShadeContext withoutCore(nullptr);

    struct Case {
        const char* context;
        ShadeContext& sc;
        bool exact, surfaceOrDerived, anyRenderer;
    } cases[] = {
        {"MaxShadeContext", surface, true, true, true},
        {"derived from MaxShadeContext", derived, false, true, true},
        {"derived from MaxShadeContextBase only", other, false, false, true},
        {"LightShadeContext", light, false, false, false},
        {"UvwContext", preview, false, false, false},
        {"host ShadeContext", plain, false, false, false},
        // Recognised, but there is nothing to reach: the map takes its fallback.
        {"MaxShadeContext without core", withoutCore, false, false, false},
    };
    for (const Case& c : cases) {
        IShadeContext* want = &core;
        EXPECT_EQ(coreOfExactMaxShadeContext(c.sc), c.exact ? want : nullptr) << c.context;
        EXPECT_EQ(coreOfMaxShadeContext(c.sc), c.surfaceOrDerived ? want : nullptr) << c.context;
        EXPECT_EQ(coreOfMaxShadeContextBase(c.sc), c.anyRenderer ? want : nullptr) << c.context;
    }
    EXPECT_EQ(asLightShadeContext(light), &light);
    EXPECT_EQ(asLightShadeContext(surface), nullptr);
}

TEST(RendererContext, CoreContextAnswersWhatWasSet) {
    CoreShadeContext core;
    core.kind = 12;
    core.rayKind = RAY_REFRACTION;
    core.backSide = true;
    core.normal = Dir(0.f, 1.f, 0.f);
    core.geometricNormal = Dir(1.f, 0.f, 0.f);
    core.hit = Pos(1.f, 2.f, 3.f);
    core.camera = Pos(1.f, 2.f, 13.f);
    core.object = CoreObject{42, Rgb(0.25f, 0.5f, 1.f)};
    core.instance = CoreInstance(0x123456789ABCDEF0ull);
    core.material = CoreMaterial{String("brick"), 7};
    core.worldPerPixel = 0.5f;
    core.duvw = {Dir(1.f, 1.f, 1.f), Dir(0.1f, 0.2f, 0.f)};
    core.colorMappingGain = Rgb(2.f, 4.f, 0.f);
    core.sampleMultiplier = 0.05f;
    core.boundsLower = Pos(-5.f, -5.f, 0.f);
    core.boundsUpper = Pos(5.f, 5.f, 3.f);

    const IShadeContext& ic = core;
    EXPECT_EQ(ic.contextKind(), 12);
    EXPECT_EQ(ic.rayKindIndex(), 2);
    EXPECT_TRUE(ic.isBackSide());
    EXPECT_EQ(ic.shadingNormal(), Dir(0.f, 1.f, 0.f));
    EXPECT_EQ(ic.geometryNormal(), Dir(1.f, 0.f, 0.f));
    EXPECT_EQ(ic.hitPosition(), Pos(1.f, 2.f, 3.f));
    EXPECT_EQ(ic.shadingPosition(), Pos(1.f, 2.f, 3.f));
    EXPECT_EQ(ic.cameraPosition(), Pos(1.f, 2.f, 13.f));
    ASSERT_NE(ic.currentObject(), nullptr);
    EXPECT_EQ(ic.currentObject()->gbufferId, 42u);
    EXPECT_EQ(ic.currentObject()->wireColor, Rgb(0.25f, 0.5f, 1.f));
    ASSERT_NE(ic.currentInstance(), nullptr);
    EXPECT_EQ(ic.currentInstance()->instanceValue(), 0x123456789ABCDEF0ull);
    ASSERT_NE(ic.currentMaterial(), nullptr);
    EXPECT_EQ(ic.currentMaterial()->name, String("brick"));
    EXPECT_EQ(ic.currentMaterial()->gbufferId, 7u);
    EXPECT_EQ(ic.pixelWorldRatio(3.f), 1.5f);
    EXPECT_EQ(ic.dUVW(1), Dir(0.1f, 0.2f, 0.f));
    EXPECT_EQ(ic.dUVW(5), Dir::ZERO);
    EXPECT_EQ(ic.inverseColorMapping(Rgb(1.f, 1.f, 0.5f)), Rgb(0.5f, 0.25f, 0.5f));
    EXPECT_EQ(ic.skyScene(), nullptr);
    EXPECT_EQ(ic.shadowSampleMultiplier(), 0.05f);
    Pos lo, hi;
    ic.sceneBounds(lo, hi);
    EXPECT_EQ(lo, Pos(-5.f, -5.f, 0.f));
    EXPECT_EQ(hi, Pos(5.f, 5.f, 3.f));

    core.object.reset();
    core.instance.reset();
    core.material.reset();
    EXPECT_EQ(ic.currentObject(), nullptr);
    EXPECT_EQ(ic.currentInstance(), nullptr);
    EXPECT_EQ(ic.currentMaterial(), nullptr);
}

TEST(RendererContext, RandomPairsAreScriptedThenDeterministic) {
    CoreShadeContext a, b;
    a.randomPairs = {Vector2(0.25f, 0.75f), Vector2(0.f, 0.5f)};
    EXPECT_EQ(a.random2D(), Vector2(0.25f, 0.75f));
    EXPECT_EQ(a.random2D(), Vector2(0.f, 0.5f));
    for (int i = 0; i < 1000; ++i) {
        const Vector2 p = a.random2D();
        EXPECT_EQ(p, b.random2D());
        ASSERT_TRUE(p.x >= 0.f && p.x < 1.f && p.y >= 0.f && p.y < 1.f) << i;
    }
}

TEST(RendererContext, ShadowRaysAreRecorded) {
    CoreShadeContext core;
    core.shadowTransmission = WideRGB(0.5, 0.25, 0.);
    IShadeContext& ic = core;
    EXPECT_EQ(ic.traceShadow(Pos(1.f, 2.f, 3.f), 0), WideRGB(0.5, 0.25, 0.));
    ic.traceShadow(Pos(4.f, 5.f, 6.f), 1);
    ASSERT_EQ(core.tracedTargets.size(), 2u);
    EXPECT_EQ(core.tracedTargets[1], Pos(4.f, 5.f, 6.f));
    EXPECT_EQ(core.tracedFlags, (std::vector<int>{0, 1}));
}

TEST(RendererContext, HostQueriesOfTheRendererContextComeFromTheCore) {
    CoreShadeContext core;
    core.normal = Dir(0.f, 1.f, 0.f);
    core.geometricNormal = Dir(1.f, 0.f, 0.f);
    core.hit = Pos(1.f, 2.f, 3.f);
    core.camera = Pos(1.f, 2.f, 13.f);
    MaxShadeContext sc(&core);
    ShadeContext& host = sc;
    EXPECT_EQ(host.Normal(), Point3(0.f, 1.f, 0.f));
    EXPECT_EQ(host.GNormal(), Point3(1.f, 0.f, 0.f));
    EXPECT_EQ(host.P(), Point3(1.f, 2.f, 3.f));
    EXPECT_EQ(host.CamPos(), Point3(1.f, 2.f, 13.f));
    EXPECT_EQ(host.V(), Point3(0.f, 0.f, -1.f));

    LightShadeContext light(&core);
    EXPECT_EQ(light.coreContext, &core);
    EXPECT_EQ(light.shadowResult, WideRGB::BLACK);
}

}  // namespace
