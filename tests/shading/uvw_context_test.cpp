// The library's own shading context: every host query answered from its
// fields, the view direction with and without a camera.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "shading/UvwContext.h"

using Nimbal::UvwContext;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

void ExpectNear(const Point3& got, const Point3& want, const std::string& what, float eps = 1e-6f) {
    EXPECT_TRUE(got.Equals(want, eps)) << what << ": got (" << got.x << ", " << got.y << ", " << got.z << "), want ("
                                       << want.x << ", " << want.y << ", " << want.z << ")";
}

TEST(UvwContext, StartsInTheStatePreviewsNeed) {
    UvwContext sc(480);
    EXPECT_EQ(sc.mode, 0);
    EXPECT_EQ(sc.doMaps, TRUE);
    EXPECT_EQ(sc.filterMaps, TRUE);
    EXPECT_EQ(sc.shadow, TRUE);
    EXPECT_EQ(sc.backFace, FALSE);
    EXPECT_EQ(sc.mtlNum, 0);
    EXPECT_EQ(sc.nLights, 0);
    EXPECT_EQ(sc.rayLevel, 0);
    EXPECT_EQ(sc.atmosSkipLight, nullptr);
    EXPECT_EQ(sc.globContext, nullptr);
    EXPECT_EQ(sc.out.c, Color(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(sc.out.t, Color(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(sc.out.gbufId, 0);
    EXPECT_EQ(sc.out.flags, 0u);
    EXPECT_EQ(sc.GBufferID(), 0);
    EXPECT_EQ(sc.CurTime(), 480);
    EXPECT_FALSE(sc.hasCamera);
    EXPECT_TRUE(std::isnan(sc.cameraPosition.x) && std::isnan(sc.cameraPosition.y) && std::isnan(sc.cameraPosition.z));
}

TEST(UvwContext, PointQueriesAnswerFromTheFields) {
    UvwContext sc(960);
    sc.uvw = Point3(0.25f, 0.5f, 0.125f);
    sc.position = Point3(1.0f, 2.0f, 3.0f);
    sc.normal = Point3(0.0f, 1.0f, 0.0f);
    const Point3 zero(0.0f, 0.0f, 0.0f);

    struct Case {
        const char* query;
        std::function<Point3()> ask;
        Point3 want;
    } cases[] = {
        {"UVW(0)", [&] { return sc.UVW(0); }, sc.uvw},
        {"UVW(7)", [&] { return sc.UVW(7); }, sc.uvw},
        {"BarycentricCoords", [&] { return sc.BarycentricCoords(); }, sc.uvw},
        {"DUVW(2)", [&] { return sc.DUVW(2); }, zero},
        {"Normal", [&] { return sc.Normal(); }, sc.normal},
        {"OrigNormal", [&] { return sc.OrigNormal(); }, sc.normal},
        {"GNormal", [&] { return sc.GNormal(); }, sc.normal},
        {"UVWNormal", [&] { return sc.UVWNormal(0); }, Point3(0.0f, 0.0f, 1.0f)},
        {"P", [&] { return sc.P(); }, sc.position},
        {"PObj", [&] { return sc.PObj(); }, sc.position},
        {"PObjRelBox", [&] { return sc.PObjRelBox(); }, sc.position},
        {"DP", [&] { return sc.DP(); }, zero},
        {"DPObj", [&] { return sc.DPObj(); }, zero},
        {"DPObjRelBox", [&] { return sc.DPObjRelBox(); }, zero},
        {"CamPos without camera", [&] { return sc.CamPos(); }, Point3(1.0f, 2.0f, 4.0f)},
        {"PointTo", [&] { return sc.PointTo(Point3(4, 5, 6), REF_CAMERA); }, Point3(4, 5, 6)},
        {"PointFrom", [&] { return sc.PointFrom(Point3(4, 5, 6), REF_OBJECT); }, Point3(4, 5, 6)},
        {"VectorTo", [&] { return sc.VectorTo(Point3(4, 5, 6), REF_WORLD); }, Point3(4, 5, 6)},
        {"VectorFrom", [&] { return sc.VectorFrom(Point3(4, 5, 6), REF_CAMERA); }, Point3(4, 5, 6)},
    };
    for (const Case& c : cases) ExpectNear(c.ask(), c.want, c.query);

    EXPECT_EQ(sc.ClassID(), Class_ID(0, 0));
    EXPECT_EQ(sc.InMtlEditor(), FALSE);
    EXPECT_EQ(sc.Antialias(), 1);
    EXPECT_EQ(sc.ProjType(), 0);
    EXPECT_EQ(sc.Light(0), nullptr);
    EXPECT_EQ(sc.CurTime(), 960);
    EXPECT_EQ(sc.NodeID(), -1);
    EXPECT_EQ(sc.Node(), nullptr);
    EXPECT_EQ(sc.GetEvalObject(), nullptr);
    EXPECT_EQ(sc.FaceNumber(), 0);
    EXPECT_EQ(sc.Curve(), 0.0f);
    EXPECT_EQ(sc.GetIOR(), 1.0f);
    EXPECT_EQ(sc.IsSuperSampleOn(), FALSE);
    EXPECT_EQ(sc.IsTextureSuperSampleOn(), FALSE);
    EXPECT_EQ(sc.GetNSuperSample(), 0);
    EXPECT_EQ(sc.GetSampleSizeScale(), 1.0f);
    EXPECT_EQ(sc.RayDiam(), 0.0f);
    EXPECT_EQ(sc.RayConeAngle(), 0.0f);
    EXPECT_EQ(sc.CamNearRange(), 0.0f);
    EXPECT_EQ(sc.CamFarRange(), 0.0f);
    EXPECT_EQ(sc.DebugFile(), nullptr);
    EXPECT_EQ(sc.Execute(1, 2, 3, 4), 0);
    EXPECT_EQ(sc.EvalGlobalEnvironMap(Point3(0, 0, 1)), AColor(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(sc.SurfacePtScreen(), Point2(0.0f, 0.0f));
    EXPECT_EQ(sc.ObjectBox(), Box3(Point3(0, 0, 0), Point3(0, 0, 0)));

    Point3 basis[2] = {Point3(9, 9, 9), Point3(9, 9, 9)};
    EXPECT_EQ(sc.BumpBasisVectors(basis, AXIS_UV, 0), 0);
    Point3 dp[3] = {Point3(9, 9, 9), Point3(9, 9, 9), Point3(9, 9, 9)};
    sc.DPdUVW(dp, 1);
    for (const Point3& p : dp) ExpectNear(p, zero, "DPdUVW");

    Point2 uv, duv;
    sc.ScreenUV(uv, duv);
    EXPECT_EQ(uv, Point2(0.25f, 0.5f));
    EXPECT_EQ(duv, Point2(0.0f, 0.0f));

    AColor cached;
    float mono = 0.0f;
    Point3 bump;
    EXPECT_EQ(sc.GetCache(nullptr, cached), FALSE);
    EXPECT_EQ(sc.GetCache(nullptr, mono), FALSE);
    EXPECT_EQ(sc.GetCache(nullptr, bump), FALSE);
}

TEST(UvwContext, SettersThatMustNotChangeAnything) {
    UvwContext sc;
    sc.uvw = Point3(0.25f, 0.5f, 0.0f);
    sc.normal = Point3(1.0f, 0.0f, 0.0f);
    const Point3 view = sc.V();
    sc.SetNormal(Point3(0.0f, 0.0f, 1.0f));
    sc.SetView(Point3(0.0f, 0.0f, -1.0f));
    sc.SetIOR(1.5f);
    Point3 a, b;
    sc.DP(a, b);
    EXPECT_EQ(sc.Normal(), Point3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(sc.V(), view);
    EXPECT_EQ(sc.GetIOR(), 1.0f);
    Color bg(0.5f, 0.5f, 0.5f), transp(0.25f, 0.25f, 0.25f);
    sc.GetBGColor(bg, transp, TRUE);
    EXPECT_EQ(bg, Color(0.5f, 0.5f, 0.5f));

    sc.SetGBufferID(17);
    EXPECT_EQ(sc.GBufferID(), 17);
}

TEST(UvwContext, ViewDirectionWithoutCameraIsTheLatLongDirectionOfUv) {
    struct Case {
        float u, v;
        Point3 want;
    } cases[] = {
        {0.25f, 0.5f, Point3(0.0f, 1.0f, 0.0f)},
        {0.0f, 0.5f, Point3(1.0f, 0.0f, 0.0f)},
        {0.5f, 0.5f, Point3(-1.0f, 0.0f, 0.0f)},
        {0.75f, 0.5f, Point3(0.0f, -1.0f, 0.0f)},
        {0.3f, 1.0f, Point3(0.0f, 0.0f, 1.0f)},   // v = 1 looks along +Z
        {0.3f, 0.0f, Point3(0.0f, 0.0f, -1.0f)},  // v = 0 along -Z
    };
    for (const Case& c : cases) {
        UvwContext sc;
        sc.uvw = Point3(c.u, c.v, 0.0f);
        const std::string at = "uv (" + std::to_string(c.u) + ", " + std::to_string(c.v) + ")";
        ExpectNear(sc.V(), c.want, "V at " + at, 1e-6f);
        ExpectNear(sc.OrigView(), c.want, "OrigView at " + at, 1e-6f);
        ExpectNear(sc.RefractVector(1.33f), c.want, "RefractVector at " + at, 1e-6f);
        ExpectNear(sc.ReflectVector(), -c.want, "ReflectVector at " + at, 1e-6f);
    }
}

TEST(UvwContext, ViewDirectionWithCameraPointsFromTheCameraThroughThePoint) {
    UvwContext sc;
    sc.position = Point3(1.0f, 2.0f, 3.0f);
    sc.uvw = Point3(0.25f, 0.5f, 0.0f);
    sc.setCameraPosition(Point3(1.0f, 2.0f, 7.0f));
    ASSERT_TRUE(sc.hasCamera);
    ExpectNear(sc.V(), Point3(0.0f, 0.0f, -1.0f), "V");
    ExpectNear(sc.ReflectVector(), Point3(0.0f, 0.0f, 1.0f), "ReflectVector");
    ExpectNear(sc.CamPos(), Point3(1.0f, 2.0f, 7.0f), "CamPos");
}

TEST(UvwContext, HasCameraOnlyWhenEveryComponentIsFinite) {
    struct Case {
        Point3 camera;
        bool has;
    } cases[] = {
        {Point3(0.0f, 0.0f, 0.0f), true},
        {Point3(-1e30f, 1e30f, 5.0f), true},
        {Point3(NaN, 0.0f, 0.0f), false},
        {Point3(0.0f, NaN, 0.0f), false},
        {Point3(0.0f, 0.0f, NaN), false},
        {Point3(Inf, 0.0f, 0.0f), false},
        {Point3(0.0f, -Inf, 0.0f), false},
    };
    for (const Case& c : cases) {
        UvwContext sc;
        sc.position = Point3(5.0f, 6.0f, 7.0f);
        sc.setCameraPosition(c.camera);
        EXPECT_EQ(sc.hasCamera, c.has) << c.camera.x << ", " << c.camera.y << ", " << c.camera.z;
        // Without a usable camera the eye sits one unit above the point.
        if (!c.has) {
            EXPECT_EQ(sc.CamPos(), Point3(5.0f, 6.0f, 8.0f));
        }
    }
}

TEST(UvwContext, ScreenCoordTruncatesUvOnA640By480Screen) {
    struct Case {
        float u, v;
        int x, y;
    } cases[] = {
        {0.5f, 0.5f, 320, 240},
        {0.99999f, 0.99999f, 639, 479},
        {-0.0001f, -0.5f, 0, -240},  // towards zero
        {NaN, 0.1f, 0, 48},
        {1e30f, -1e30f, 2147483647, -2147483647 - 1},
    };
    for (const Case& c : cases) {
        UvwContext sc;
        sc.uvw = Point3(c.u, c.v, 0.0f);
        EXPECT_EQ(sc.ScreenCoord(), (IPoint2{c.x, c.y})) << c.u << ", " << c.v;
    }
}

}  // namespace
