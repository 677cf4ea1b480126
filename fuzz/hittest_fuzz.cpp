// Hit tests the graphics window with arbitrary cameras, object transforms,
// regions and primitives: any float bit pattern for points (NaN and
// infinities included), meshes whose faces name missing vertices, hidden
// faces and any edge flags, every rendering limit. Picking must not crash or
// record anything; a wider point region hits whatever a narrower one hits;
// a rectangle that selects as a window also selects when crossing; the hit
// distance is never NaN.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "host/Max.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "hittest_fuzz: %s\n", what);
    std::abort();
}

// Mostly small, tidy values; now and then any bit pattern.
float number(FuzzedDataProvider& in) {
    if (in.ConsumeIntegral<uint8_t>() < 220) return float(in.ConsumeIntegral<int8_t>()) / 4.f;
    const uint32_t w = in.ConsumeIntegral<uint32_t>();
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

Point3 point(FuzzedDataProvider& in) {
    const float x = number(in), y = number(in);
    return Point3(x, y, number(in));
}

Matrix3 matrix(FuzzedDataProvider& in) {
    Matrix3 m;
    if (in.ConsumeBool()) return m;
    for (int r = 0; r < 4; ++r) m.SetRow(r, point(in));
    return m;
}

struct Primitive {
    int kind;
    std::vector<Point3> points;
    int flag;
};

void draw(GraphicsWindow& gw, const std::vector<Primitive>& primitives, const Mesh& mesh) {
    for (const Primitive& p : primitives) {
        switch (p.kind) {
        case 0: gw.marker(p.points.data(), DOT_MRKR); break;
        case 1: gw.segment(p.points.data(), p.flag & 1); break;
        case 2: gw.triangle(p.points.data()); break;
        case 3: gw.polyline(static_cast<int>(p.points.size()), p.points.data(), p.flag & 1); break;
        case 4: gw.text(p.points.data(), u"label"); break;
        default: gw.mesh(mesh); break;
        }
    }
}

bool picks(GraphicsWindow& gw, const HitRegion& hr, const std::vector<Primitive>& primitives, const Mesh& mesh) {
    gw.setHitRegion(&hr);
    gw.clearHitCode();
    draw(gw, primitives, mesh);
    if (std::isnan(gw.getHitDistance())) fail("NaN hit distance");
    return gw.checkHitCode() != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    GraphicsWindow gw;
    gw.setWinSize(1 + in.ConsumeIntegral<uint8_t>() * 8, 1 + in.ConsumeIntegral<uint8_t>() * 8);
    const Matrix3 view = matrix(in);
    const bool perspective = in.ConsumeBool();
    const float unitsPerPixel = number(in);
    gw.setCamera(view, perspective, unitsPerPixel, number(in));
    gw.setTransform(matrix(in));
    const DWORD limits = in.ConsumeIntegral<uint8_t>() & (GW_WIREFRAME | GW_BACKCULL);
    gw.setRndLimits(GW_PICK | limits | (in.ConsumeBool() ? GW_ILLUM : 0));

    Mesh mesh;
    const int verts = in.ConsumeIntegralInRange(0, 15);
    const int faces = in.ConsumeIntegralInRange(0, 23);
    mesh.setNumVerts(verts);
    mesh.setNumFaces(faces);
    for (int v = 0; v < verts; ++v) mesh.setVert(v, point(in));
    for (int f = 0; f < faces; ++f) {
        Face& face = mesh.getFace(f);
        // Now and then an index past the vertices.
        const DWORD a = in.ConsumeIntegralInRange(0, 17), b = in.ConsumeIntegralInRange(0, 17);
        face.setVerts(a, b, in.ConsumeIntegralInRange(0, 17));
        face.flags = in.ConsumeIntegral<uint8_t>();
    }

    const IPoint2 pts[2] = {{in.ConsumeIntegralInRange(-4096, 4096), in.ConsumeIntegralInRange(-4096, 4096)},
                            {in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>()}};
    const int epsilon = in.ConsumeIntegralInRange(0, 15);
    const bool circleCrossing = in.ConsumeBool();

    std::vector<Primitive> primitives;
    while (in.remaining_bytes() > 0 && primitives.size() < 64) {
        Primitive p;
        p.kind = in.ConsumeIntegralInRange(0, 5);
        p.flag = in.ConsumeIntegral<uint8_t>();
        const int fixed[] = {1, 2, 3, 0, 1, 0};  // points of a marker, segment, triangle, -, text, -
        const int count = fixed[p.kind] ? fixed[p.kind] : in.ConsumeIntegralInRange(1, 6);
        for (int k = 0; k < count; ++k) p.points.push_back(point(in));
        primitives.push_back(std::move(p));
    }

    HitRegion narrow, wide;
    MakeHitRegion(narrow, HITTYPE_POINT, TRUE, epsilon, pts);
    MakeHitRegion(wide, HITTYPE_POINT, TRUE, epsilon + 8, pts);
    if (picks(gw, narrow, primitives, mesh) && !picks(gw, wide, primitives, mesh))
        fail("a wider point region missed what a narrower one hit");

    HitRegion window, crossing;
    MakeHitRegion(window, HITTYPE_BOX, FALSE, 0, pts);
    MakeHitRegion(crossing, HITTYPE_BOX, TRUE, 0, pts);
    if (picks(gw, window, primitives, mesh) && !picks(gw, crossing, primitives, mesh))
        fail("a window selection that crossing does not make");

    HitRegion circle;
    MakeHitRegion(circle, HITTYPE_CIRCLE, circleCrossing, 0, pts);
    picks(gw, circle, primitives, mesh);
    if (!gw.Records().empty()) fail("picking recorded a drawing");

    // Drawing for real records and picks nothing.
    gw.setRndLimits(0);
    gw.clearHitCode();
    draw(gw, primitives, mesh);
    if (gw.checkHitCode()) fail("a drawing hit");
    return 0;
}
