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

#include "host/Max.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "hittest_fuzz: %s\n", what);
    std::abort();
}

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int k = 0; k < 4; ++k) w = w << 8 | byte();
        return w;
    }
    int integer() { return static_cast<int32_t>(word()); }
    // Mostly small, tidy values; now and then any bit pattern.
    float number() {
        const uint8_t kind = byte();
        if (kind < 220) return float(int8_t(byte())) / 4.f;
        const uint32_t w = word();
        float f;
        std::memcpy(&f, &w, sizeof f);
        return f;
    }
    Point3 point() {
        const float x = number(), y = number();
        return Point3(x, y, number());
    }
    Matrix3 matrix() {
        Matrix3 m;
        if (byte() & 1) return m;
        for (int r = 0; r < 4; ++r) m.SetRow(r, point());
        return m;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

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
    Bytes in(data, size);
    GraphicsWindow gw;
    gw.setWinSize(1 + in.byte() * 8, 1 + in.byte() * 8);
    gw.setCamera(in.matrix(), in.byte() & 1, in.number(), in.number());
    gw.setTransform(in.matrix());
    gw.setRndLimits(GW_PICK | (in.byte() & (GW_WIREFRAME | GW_BACKCULL)) | (in.byte() & 1 ? GW_ILLUM : 0));

    Mesh mesh;
    const int verts = in.byte() % 16;
    const int faces = in.byte() % 24;
    mesh.setNumVerts(verts);
    mesh.setNumFaces(faces);
    for (int v = 0; v < verts; ++v) mesh.setVert(v, in.point());
    for (int f = 0; f < faces; ++f) {
        Face& face = mesh.getFace(f);
        // Now and then an index past the vertices.
        face.setVerts(in.byte() % 18, in.byte() % 18, in.byte() % 18);
        face.flags = in.byte();
    }

    std::vector<Primitive> primitives;
    while (!in.empty() && primitives.size() < 64) {
        Primitive p;
        p.kind = in.byte() % 6;
        p.flag = in.byte();
        const size_t count = p.kind == 0 || p.kind == 4 ? 1 : p.kind == 1 ? 2 : p.kind == 2 ? 3 : 1 + in.byte() % 6;
        for (size_t k = 0; k < count; ++k) p.points.push_back(in.point());
        primitives.push_back(std::move(p));
    }

    const IPoint2 pts[2] = {{in.integer() % 4096, in.integer() % 4096}, {in.integer(), in.integer()}};
    const int epsilon = in.byte() % 16;
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
    MakeHitRegion(circle, HITTYPE_CIRCLE, in.byte() & 1, 0, pts);
    picks(gw, circle, primitives, mesh);
    if (!gw.Records().empty()) fail("picking recorded a drawing");

    // Drawing for real records and picks nothing.
    gw.setRndLimits(0);
    gw.clearHitCode();
    draw(gw, primitives, mesh);
    if (gw.checkHitCode()) fail("a drawing hit");
    return 0;
}
