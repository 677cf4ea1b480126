// The graphics window as a viewport projects and picks: world and object
// points to window coordinates, hit regions from the points of a hit test,
// point regions against segments, markers, triangles and meshes, crossing
// and window selection, the depth of the closest hit, and perspective views
// cut at the near plane.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "host/Max.h"

namespace {

using DrawFn = std::function<void(GraphicsWindow&)>;

HitRegion region(int type, int crossing, std::vector<IPoint2> points, int epsilon = 4) {
    HitRegion hr;
    MakeHitRegion(hr, type, crossing, epsilon, points.data());
    return hr;
}

HitRegion pointAt(int x, int y) { return region(HITTYPE_POINT, TRUE, {{x, y}}); }

// Draws in pick mode with the given limits and answers the hit code.
bool picks(GraphicsWindow& gw, const HitRegion& hr, const DrawFn& draw, DWORD limits = 0) {
    const DWORD saved = gw.getRndLimits();
    gw.setRndLimits(limits | GW_PICK);
    gw.setHitRegion(&hr);
    gw.clearHitCode();
    draw(gw);
    gw.setRndLimits(saved);
    return gw.checkHitCode() != 0;
}

DrawFn segment(Point3 a, Point3 b) {
    return [=](GraphicsWindow& gw) {
        const Point3 s[2] = {a, b};
        gw.segment(s);
    };
}

DrawFn triangle(Point3 a, Point3 b, Point3 c) {
    return [=](GraphicsWindow& gw) {
        const Point3 t[3] = {a, b, c};
        gw.triangle(t);
    };
}

DrawFn marker(Point3 p) {
    return [=](GraphicsWindow& gw) { gw.marker(&p, DOT_MRKR); };
}

DrawFn both(DrawFn a, DrawFn b) {
    return [=](GraphicsWindow& gw) {
        a(gw);
        b(gw);
    };
}

// The square (0, 0)..(10, 10) at height z as two faces whose shared
// diagonal is not a visible edge, wound to face +z (or -z when flipped).
Mesh square(float z = 0.0f, bool flipped = false) {
    Mesh m;
    m.setNumVerts(4);
    m.setVert(0, Point3(0, 0, z));
    m.setVert(1, Point3(10, 0, z));
    m.setVert(2, Point3(10, 10, z));
    m.setVert(3, Point3(0, 10, z));
    m.setNumFaces(2);
    if (flipped) {
        m.getFace(0).setVerts(0, 2, 1);
        m.getFace(1).setVerts(0, 3, 2);
        m.getFace(0).setEdgeVisFlags(false, true, true);
        m.getFace(1).setEdgeVisFlags(true, true, false);
    } else {
        m.getFace(0).setVerts(0, 1, 2);
        m.getFace(1).setVerts(2, 3, 0);
        m.getFace(0).setEdgeVisFlags(true, true, false);
        m.getFace(1).setEdgeVisFlags(true, true, false);
    }
    return m;
}

void expectNear(const Point3& got, const Point3& want) {
    EXPECT_NEAR(got.x, want.x, 1e-3f);
    EXPECT_NEAR(got.y, want.y, 1e-3f);
    EXPECT_NEAR(got.z, want.z, 1e-3f);
}

TEST(GraphicsWindowProjection, WorldAndObjectPointsReachTheWindow) {
    const struct {
        const char* name;
        Matrix3 view;
        bool perspective;
        float unitsPerPixel;
        Point3 world, window;
    } cases[] = {
        {"top view", Matrix3(), false, 1.0f, Point3(3, 4, 5), Point3(3, -4, -5)},
        {"two pixels a unit", Matrix3(), false, 0.5f, Point3(3, 4, 5), Point3(6, -8, -5)},
        {"viewer above", TransMatrix(Point3(0, 0, -100)), false, 1.0f, Point3(3, 4, 5), Point3(3, -4, 95)},
        // 90 degrees across 640 pixels: 320 pixels for x = depth.
        {"perspective", TransMatrix(Point3(0, 0, -10)), true, 1.0f, Point3(1, 2, 0), Point3(32, -64, 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphicsWindow gw;
        gw.setCamera(c.view, c.perspective, c.unitsPerPixel, HALFPI);
        Point3 out;
        ASSERT_EQ(gw.wTransPointFWin(&c.world, &out), 0u);
        expectNear(out, c.window);
        // The same point given in an object's own space.
        gw.setTransform(TransMatrix(Point3(1, 0, 0)));
        const Point3 local = c.world - Point3(1, 0, 0);
        ASSERT_EQ(gw.transPointFWin(&local, &out), 0u);
        expectNear(out, c.window);
    }
}

TEST(GraphicsWindowProjection, PerspectiveViewsSeeNothingAtOrBehindTheViewer) {
    GraphicsWindow gw;
    gw.setCamera(TransMatrix(Point3(0, 0, -10)), true, 1.0f, HALFPI);
    Point3 out(7, 7, 7);
    for (const Point3 p : {Point3(0, 0, 10), Point3(1, 1, 20)}) {
        EXPECT_EQ(gw.wTransPointFWin(&p, &out), CLIP_NEAR);
        EXPECT_EQ(out, Point3(7, 7, 7));
    }
    // A scale or field of view that makes no view is ignored.
    gw.setCamera(Matrix3(), false, -1.0f, 0.0f);
    const Point3 p(3, 4, 0);
    ASSERT_EQ(gw.wTransPointFWin(&p, &out), 0u);
    expectNear(out, Point3(3, -4, 0));
}

TEST(GraphicsWindowProjection, ANewViewportAgreesWithItsGridSnap) {
    for (const float unitsPerPixel : {1.0f, 2.5f}) {
        ViewExp view;
        view.SetUnitsPerPixel(unitsPerPixel);
        IPoint2 snapped;
        const Point3 onGrid = view.SnapPoint(IPoint2{18, -21}, snapped);
        Point3 out;
        ASSERT_EQ(view.getGW()->wTransPointFWin(&onGrid, &out), 0u);
        expectNear(out, Point3(18, -21, 0));
    }
}

TEST(HitRegionTest, MadeFromTheHitTestsPoints) {
    const HitRegion point = region(HITTYPE_POINT, FALSE, {{7, -3}}, 5);
    EXPECT_EQ(point.type, POINT_RGN);
    EXPECT_EQ(point.pt.x, 7);
    EXPECT_EQ(point.pt.y, -3);
    EXPECT_EQ(point.epsilon, 5);
    EXPECT_EQ(region(HITTYPE_SOLID, TRUE, {{1, 2}}).type, POINT_RGN);
    EXPECT_EQ(region(HITTYPE_POINT, TRUE, {{1, 2}}, -3).epsilon, 0);

    const HitRegion box = region(HITTYPE_BOX, FALSE, {{10, 5}, {2, 8}});
    EXPECT_EQ(box.type, RECT_RGN);
    EXPECT_EQ(box.crossing, FALSE);
    EXPECT_EQ(box.rect.left, 2);
    EXPECT_EQ(box.rect.right, 10);
    EXPECT_EQ(box.rect.top, 5);
    EXPECT_EQ(box.rect.bottom, 8);

    const HitRegion circle = region(HITTYPE_CIRCLE, TRUE, {{1, 1}, {4, 5}});
    EXPECT_EQ(circle.type, CIRCLE_RGN);
    EXPECT_EQ(circle.circle.x, 1);
    EXPECT_EQ(circle.circle.r, 5);
    // Far corners of the integer range neither overflow nor wrap.
    EXPECT_EQ(region(HITTYPE_CIRCLE, TRUE, {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}}).circle.r, INT_MAX);

    // Kinds this window does not know, and no points, hit nothing.
    GraphicsWindow gw;
    const DrawFn everything = triangle(Point3(-100, -100, 0), Point3(100, -100, 0), Point3(0, 100, 0));
    EXPECT_FALSE(picks(gw, region(5, TRUE, {{0, 0}, {1, 1}}), everything));
    HitRegion none;
    MakeHitRegion(none, HITTYPE_POINT, TRUE, 4, nullptr);
    EXPECT_FALSE(picks(gw, none, everything));
    EXPECT_TRUE(picks(gw, pointAt(0, 0), everything));
}

TEST(GraphicsWindowPick, PointRegionsHitWhatPassesWithinEpsilon) {
    const Point3 square[4] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    const DrawFn seg = segment(Point3(0, 0, 0), Point3(10, 0, 0));
    const DrawFn dot = marker(Point3(2, 2, 0));
    // In the window: (0, 0), (10, 0), (0, -10).
    const DrawFn tri = triangle(Point3(0, 0, 0), Point3(10, 0, 0), Point3(0, 10, 0));
    const DrawFn closed = [&](GraphicsWindow& gw) { gw.polyline(4, square, 1); };
    const DrawFn open = [&](GraphicsWindow& gw) { gw.polyline(4, square, 0); };
    const DrawFn hiddenSegment = [](GraphicsWindow& gw) {
        const Point3 s[2] = {{0, 0, 0}, {10, 0, 0}};
        gw.segment(s, 0);
    };
    const struct {
        const char* name;
        DrawFn draw;
        int x, y;
        bool hit;
    } cases[] = {
        {"on a segment", seg, 5, 0, true},
        {"epsilon beside a segment", seg, 5, 4, true},
        {"past epsilon beside a segment", seg, 5, 5, false},
        {"epsilon beyond a segment's end", seg, 14, 0, true},
        {"past a segment's end", seg, 15, 0, false},
        {"an invisible segment", hiddenSegment, 5, 0, false},
        {"on a marker", dot, 2, -2, true},
        {"near a marker", dot, 5, -2, true},
        {"away from a marker", dot, 2, -7, false},
        {"inside a triangle", tri, 2, -2, true},
        {"just outside a triangle's slope", tri, 7, -7, true},
        {"beyond a triangle's slope", tri, 8, -8, false},
        {"beside a triangle's upright", tri, -3, -3, true},
        {"off a triangle's upright", tri, -5, -5, false},
        {"on the closing side of a closed polyline", closed, 0, -5, true},
        {"where an open polyline has no side", open, 0, -5, false},
        {"inside a closed polyline", closed, 5, -5, false},
        {"on an open polyline's side", open, 5, -10, true},
    };
    GraphicsWindow gw;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(picks(gw, pointAt(c.x, c.y), c.draw), c.hit);
    }
    // Picking draws nothing; drawing afterwards records as before.
    EXPECT_TRUE(gw.Records().empty());
    seg(gw);
    EXPECT_EQ(gw.Count(DrawRecord::Polyline), 1);
}

TEST(GraphicsWindowPick, RectanglesAndCirclesCrossOrEnclose) {
    // In the window: (0, 0) to (10, 0).
    const DrawFn seg = segment(Point3(0, 0, 0), Point3(10, 0, 0));
    // In the window: (0, 0), (100, 0), (0, -100).
    const DrawFn big = triangle(Point3(0, 0, 0), Point3(100, 0, 0), Point3(0, 100, 0));
    const DrawFn segAndFarMarker = both(seg, marker(Point3(50, 0, 0)));
    const struct {
        const char* name;
        DrawFn draw;
        int type;
        std::vector<IPoint2> points;
        bool crossing, window;  // hit when crossing, hit as a window
    } cases[] = {
        {"box over half a segment", seg, HITTYPE_BOX, {{-1, -1}, {5, 1}}, true, false},
        {"box round a segment", seg, HITTYPE_BOX, {{-1, -1}, {11, 1}}, true, true},
        {"box beside a segment", seg, HITTYPE_BOX, {{2, 2}, {8, 5}}, false, false},
        {"segment through a box, no end inside", seg, HITTYPE_BOX, {{3, -5}, {4, 5}}, true, false},
        {"box inside a triangle", big, HITTYPE_BOX, {{10, -20}, {20, -10}}, true, false},
        {"box round a segment but not its marker", segAndFarMarker, HITTYPE_BOX, {{-1, -1}, {11, 1}}, true, false},
        {"box round both", segAndFarMarker, HITTYPE_BOX, {{-1, -1}, {51, 1}}, true, true},
        {"small circle on a segment", seg, HITTYPE_CIRCLE, {{5, 0}, {5, 2}}, true, false},
        {"circle round a segment", seg, HITTYPE_CIRCLE, {{5, 0}, {5, 6}}, true, true},
        {"circle beside a segment", seg, HITTYPE_CIRCLE, {{5, 10}, {5, 7}}, false, false},
        {"circle inside a triangle", big, HITTYPE_CIRCLE, {{20, -20}, {20, -25}}, true, false},
    };
    GraphicsWindow gw;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(picks(gw, region(c.type, TRUE, c.points), c.draw), c.crossing);
        EXPECT_EQ(picks(gw, region(c.type, FALSE, c.points), c.draw), c.window);
    }
    // A window over nothing drawn selects nothing.
    EXPECT_FALSE(picks(gw, region(HITTYPE_BOX, FALSE, {{-1, -1}, {1, 1}}), [](GraphicsWindow&) {}));
}

TEST(GraphicsWindowPick, HitDistanceIsTheDepthOfTheClosestHit) {
    const DrawFn low = triangle(Point3(0, 0, 0), Point3(10, 0, 0), Point3(0, 10, 0));
    const DrawFn high = triangle(Point3(0, 0, 5), Point3(10, 0, 5), Point3(0, 10, 5));
    const struct {
        const char* name;
        bool perspective;
        DrawFn draw;
        int x, y;
        float depth;
    } cases[] = {
        {"upper drawn last", false, both(low, high), 1, -1, 95.0f},
        {"upper drawn first", false, both(high, low), 1, -1, 95.0f},
        // The plane z = y, picked over (2, 4).
        {"slanted triangle", false, triangle(Point3(0, 0, 0), Point3(10, 0, 0), Point3(0, 10, 10)), 2, -4, 96.0f},
        // The nearest point of a slanted segment.
        {"slanted segment", false, segment(Point3(0, 0, 0), Point3(10, 0, 10)), 5, 2, 95.0f},
        // Viewed from 10 units above: the plane z = (y + 10) / 4 meets the
        // line of sight at z = 2.5. Interpolating the depth linearly across
        // the window would give 8.33.
        {"slanted triangle in perspective", true,
         triangle(Point3(-10, -10, 0), Point3(10, -10, 0), Point3(0, 10, 5)), 0, 0, 7.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphicsWindow gw;
        gw.setCamera(TransMatrix(Point3(0, 0, c.perspective ? -10.0f : -100.0f)), c.perspective, 1.0f, HALFPI);
        ASSERT_TRUE(picks(gw, pointAt(c.x, c.y), c.draw));
        EXPECT_NEAR(gw.getHitDistance(), c.depth, 1e-3f);
    }
    GraphicsWindow gw;
    EXPECT_FALSE(picks(gw, pointAt(50, 50), low));
    EXPECT_EQ(gw.getHitDistance(), std::numeric_limits<float>::max());
}

TEST(GraphicsWindowPick, MeshesHitByTheirFacesOrByTheirVisibleEdges) {
    const Mesh front = square();
    const Mesh back = square(0.0f, true);
    Mesh hiddenFaces = square();
    hiddenFaces.getFace(0).Hide();
    hiddenFaces.getFace(1).Hide();
    Mesh missingVertex = square();
    missingVertex.getFace(0).setVerts(0, 1, 99);
    const struct {
        const char* name;
        const Mesh* mesh;
        DWORD limits;
        int x, y;
        bool hit;
    } cases[] = {
        {"shaded, inside", &front, 0, 5, -5, true},
        {"wireframe, on the hidden diagonal", &front, GW_WIREFRAME, 5, -5, false},
        {"wireframe, near a visible edge", &front, GW_WIREFRAME, 5, -1, true},
        {"wireframe, on a flipped face's visible edge", &back, GW_WIREFRAME, 9, -5, true},
        {"facing the viewer, culled", &front, GW_BACKCULL, 5, -5, true},
        {"facing away", &back, 0, 5, -5, true},
        {"facing away, culled", &back, GW_BACKCULL, 5, -5, false},
        {"hidden faces", &hiddenFaces, 0, 5, -5, false},
        {"a face naming a missing vertex is left out", &missingVertex, 0, 8, -2, false},
        {"the other face still counts", &missingVertex, 0, 2, -8, true},
        {"outside", &front, 0, 20, -5, false},
    };
    GraphicsWindow gw;
    gw.setTransform(TransMatrix(Point3(0, 0, -1)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(picks(gw, pointAt(c.x, c.y), [&](GraphicsWindow& g) { g.mesh(*c.mesh); }, c.limits), c.hit);
    }
    // Window selection of a mesh asks for every face.
    const DrawFn mesh = [&](GraphicsWindow& g) { g.mesh(front); };
    EXPECT_TRUE(picks(gw, region(HITTYPE_BOX, FALSE, {{-1, 1}, {11, -11}}), mesh));
    EXPECT_FALSE(picks(gw, region(HITTYPE_BOX, FALSE, {{-1, 1}, {11, -6}}), mesh));
    EXPECT_TRUE(gw.Records().empty());
}

TEST(GraphicsWindowPick, PerspectiveViewsPickOnlyWhatIsInFrontOfTheViewer) {
    GraphicsWindow gw;
    gw.setCamera(TransMatrix(Point3(0, 0, -10)), true, 1.0f, HALFPI);
    // From the ground up through the viewer and beyond.
    const DrawFn upright = segment(Point3(0, 0, 0), Point3(0, 0, 20));
    EXPECT_TRUE(picks(gw, pointAt(0, 0), upright));
    EXPECT_NEAR(gw.getHitDistance(), 10.0f, 1e-3f);
    const HitRegion everything = region(HITTYPE_BOX, FALSE, {{-10000, -10000}, {10000, 10000}});
    EXPECT_FALSE(picks(gw, everything, upright));  // part of it cannot be seen
    EXPECT_TRUE(picks(gw, everything, segment(Point3(0, 0, 0), Point3(1, 1, 0))));

    const DrawFn behind = marker(Point3(0, 0, 15));
    EXPECT_FALSE(picks(gw, pointAt(0, 0), behind));
    EXPECT_FALSE(picks(gw, everything, both(segment(Point3(0, 0, 0), Point3(1, 1, 0)), behind)));

    // A triangle through the viewer's plane is picked where it can be seen.
    const DrawFn leaning = triangle(Point3(-1, -1, 0), Point3(1, -1, 0), Point3(0, 5, 30));
    EXPECT_TRUE(picks(gw, pointAt(0, 0), leaning));
    EXPECT_FALSE(picks(gw, pointAt(0, 200), leaning));
    EXPECT_FALSE(picks(gw, everything, leaning));
}

}  // namespace
