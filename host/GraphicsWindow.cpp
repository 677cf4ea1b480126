#include "host/GraphicsWindow.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "host/Mesh.h"
#include "host/ShadeContext.h"

namespace {

// Perspective views see nothing nearer than this (view units).
constexpr float NEAR_DEPTH = 1e-3f;

DrawRecord Make(DrawRecord::Kind kind, const Matrix3& tm, const Point3& color, std::vector<Point3> points) {
    DrawRecord r;
    r.kind = kind;
    r.tm = tm;
    r.color = color;
    r.points = std::move(points);
    return r;
}

bool finite(const Point3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Depth between two window points at parameter t of the window segment:
// under perspective it is 1/depth that varies linearly across the window.
float depthAlong(float da, float db, float t, bool perspective) {
    if (!perspective) return da + (db - da) * t;
    return 1.0f / ((1.0f - t) / da + t / db);
}

// The distance from (px, py) to the window segment ab, with the parameter
// of the closest point in t.
float distanceToSegment(const Point3& a, const Point3& b, float px, float py, float& t) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = dx * dx + dy * dy;
    t = len2 > 0.0f ? std::clamp(((px - a.x) * dx + (py - a.y) * dy) / len2, 0.0f, 1.0f) : 0.0f;
    const float ex = a.x + dx * t - px, ey = a.y + dy * t - py;
    return std::sqrt(ex * ex + ey * ey);
}

// Barycentric weights of (px, py) in the window triangle abc; false when
// the point is outside or the triangle covers no area.
bool barycentric(const Point3& a, const Point3& b, const Point3& c, float px, float py, float w[3]) {
    const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area == 0.0f) return false;
    w[0] = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
    w[1] = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
    w[2] = ((a.x - px) * (b.y - py) - (a.y - py) * (b.x - px)) / area;
    return w[0] >= 0.0f && w[1] >= 0.0f && w[2] >= 0.0f;
}

// Whether (px, py) falls in the convex window polygon p[0..n), and the
// depth there.
bool insidePolygon(const Point3* p, int n, float px, float py, bool perspective, float& depth) {
    for (int k = 1; k + 1 < n; ++k) {
        float w[3];
        if (!barycentric(p[0], p[k], p[k + 1], px, py, w)) continue;
        if (perspective)
            depth = 1.0f / (w[0] / p[0].z + w[1] / p[k].z + w[2] / p[k + 1].z);
        else
            depth = w[0] * p[0].z + w[1] * p[k].z + w[2] * p[k + 1].z;
        return true;
    }
    return false;
}

// Liang-Barsky: whether any part of the window segment ab lies in the rectangle.
bool segmentTouchesRect(const Point3& a, const Point3& b, float left, float top, float right, float bottom) {
    float t0 = 0.0f, t1 = 1.0f;
    const auto clip = [&](float p, float q) {
        if (p == 0.0f) return q >= 0.0f;
        const float u = q / p;
        if (p < 0.0f) {
            if (u > t1) return false;
            t0 = std::max(t0, u);
        } else {
            if (u < t0) return false;
            t1 = std::min(t1, u);
        }
        return true;
    };
    const float dx = b.x - a.x, dy = b.y - a.y;
    return clip(-dx, a.x - left) && clip(dx, right - a.x) && clip(-dy, a.y - top) && clip(dy, bottom - a.y);
}

struct RegionTest {
    bool touches = false;  // some part lies in the region
    bool inside = false;   // all of it does
    float depth = std::numeric_limits<float>::max();
};

// A disc (point regions are discs of radius epsilon) against a point,
// segment or convex polygon. The depth is taken where the shape is nearest
// the centre.
RegionTest testDisc(float cx, float cy, float r, const Point3* p, int n, bool perspective) {
    RegionTest result;
    result.inside = true;
    for (int i = 0; i < n; ++i) {
        const float dx = p[i].x - cx, dy = p[i].y - cy;
        result.inside = result.inside && std::sqrt(dx * dx + dy * dy) <= r;
    }
    if (n == 1) {
        result.touches = result.inside;
        result.depth = p[0].z;
        return result;
    }
    if (n >= 3 && insidePolygon(p, n, cx, cy, perspective, result.depth)) {
        result.touches = true;
        return result;
    }
    float nearest = std::numeric_limits<float>::max();
    const int edges = n == 2 ? 1 : n;
    for (int i = 0; i < edges; ++i) {
        const Point3& a = p[i];
        const Point3& b = p[(i + 1) % n];
        float t = 0.0f;
        const float d = distanceToSegment(a, b, cx, cy, t);
        if (d < nearest) {
            nearest = d;
            result.depth = depthAlong(a.z, b.z, t, perspective);
        }
    }
    result.touches = nearest <= r;
    return result;
}

RegionTest testRect(const HitRegion& hr, const Point3* p, int n, bool perspective) {
    const float left = float(hr.rect.left), top = float(hr.rect.top);
    const float right = float(hr.rect.right), bottom = float(hr.rect.bottom);
    RegionTest result;
    result.inside = true;
    for (int i = 0; i < n; ++i) {
        result.inside = result.inside && p[i].x >= left && p[i].x <= right && p[i].y >= top && p[i].y <= bottom;
        result.depth = std::min(result.depth, p[i].z);
    }
    if (n == 1) {
        result.touches = result.inside;
        return result;
    }
    const int edges = n == 2 ? 1 : n;
    for (int i = 0; i < edges && !result.touches; ++i)
        result.touches = segmentTouchesRect(p[i], p[(i + 1) % n], left, top, right, bottom);
    // A rectangle wholly within the polygon meets none of its edges.
    float unused = 0.0f;
    if (!result.touches && n >= 3)
        result.touches = insidePolygon(p, n, 0.5f * (left + right), 0.5f * (top + bottom), perspective, unused);
    return result;
}

}  // namespace

void MakeHitRegion(HitRegion& hr, int type, int crossing, int epsilon, const IPoint2* p) {
    hr = HitRegion();
    hr.crossing = crossing;
    hr.epsilon = std::max(epsilon, 0);
    if (!p) return;
    switch (type) {
    case HITTYPE_POINT:
    case HITTYPE_SOLID:
        hr.type = POINT_RGN;
        hr.pt.x = p[0].x;
        hr.pt.y = p[0].y;
        break;
    case HITTYPE_BOX:
        hr.type = RECT_RGN;
        hr.rect.left = std::min(p[0].x, p[1].x);
        hr.rect.right = std::max(p[0].x, p[1].x);
        hr.rect.top = std::min(p[0].y, p[1].y);
        hr.rect.bottom = std::max(p[0].y, p[1].y);
        break;
    case HITTYPE_CIRCLE: {
        hr.type = CIRCLE_RGN;
        hr.circle.x = p[0].x;
        hr.circle.y = p[0].y;
        const double r = std::hypot(double(p[1].x) - double(p[0].x), double(p[1].y) - double(p[0].y));
        hr.circle.r = r < double(INT_MAX) ? int(std::lround(r)) : INT_MAX;
        break;
    }
    default: break;
    }
}

void GraphicsWindow::setCamera(const Matrix3& worldToView, bool perspective, float unitsPerPixel, float fov) {
    view_ = worldToView;
    perspective_ = perspective;
    if (std::isfinite(unitsPerPixel) && unitsPerPixel > 0.0f) unitsPerPixel_ = unitsPerPixel;
    if (fov > 0.0f && fov < PI) fov_ = fov;
    updateObjectToView();
    updateFocal();
}

void GraphicsWindow::updateFocal() { focal_ = 0.5f * float(winW_) / std::tan(0.5f * fov_); }

Point3 GraphicsWindow::toWindow(const Point3& v) const {
    const float depth = -v.z;
    if (perspective_) return Point3(v.x * focal_ / depth, -v.y * focal_ / depth, depth);
    return Point3(v.x / unitsPerPixel_, -v.y / unitsPerPixel_, depth);
}

bool GraphicsWindow::behindNear(const Point3& v) const { return perspective_ && !(-v.z >= NEAR_DEPTH); }

DWORD GraphicsWindow::transPointFWin(const Point3* in, Point3* out) const {
    if (!in || !out) return CLIP_NEAR;
    const Point3 v = *in * objToView_;
    if (behindNear(v)) return CLIP_NEAR;
    *out = toWindow(v);
    return 0;
}

DWORD GraphicsWindow::wTransPointFWin(const Point3* in, Point3* out) const {
    if (!in || !out) return CLIP_NEAR;
    const Point3 v = *in * view_;
    if (behindNear(v)) return CLIP_NEAR;
    *out = toWindow(v);
    return 0;
}

void GraphicsWindow::clearHitCode() {
    anyHit_ = false;
    anyOutside_ = false;
    hitDistance_ = std::numeric_limits<float>::max();
}

BOOL GraphicsWindow::checkHitCode() const {
    if (region_.type == POINT_RGN || region_.crossing) return anyHit_;
    return anyHit_ && !anyOutside_;
}

void GraphicsWindow::pickWindowShape(const Point3* w, int n, bool clipped) {
    const bool window = region_.type != POINT_RGN && !region_.crossing;
    for (int i = 0; i < n; ++i) {
        if (!finite(w[i])) {
            anyOutside_ = true;
            return;
        }
    }
    RegionTest test;
    switch (region_.type) {
    case POINT_RGN:
        test = testDisc(float(region_.pt.x), float(region_.pt.y), float(region_.epsilon), w, n, perspective_);
        break;
    case RECT_RGN: test = testRect(region_, w, n, perspective_); break;
    case CIRCLE_RGN:
        test = testDisc(float(region_.circle.x), float(region_.circle.y), float(region_.circle.r), w, n,
                        perspective_);
        break;
    default: return;
    }
    const bool hit = window ? test.inside && !clipped : test.touches;
    if (window && !hit) anyOutside_ = true;
    if (!hit) return;
    anyHit_ = true;
    hitDistance_ = std::min(hitDistance_, test.depth);
}

void GraphicsWindow::pickPoint(const Point3& v) {
    if (behindNear(v)) {
        anyOutside_ = true;
        return;
    }
    const Point3 w = toWindow(v);
    pickWindowShape(&w, 1, false);
}

void GraphicsWindow::pickSegment(Point3 a, Point3 b) {
    bool clipped = false;
    if (perspective_) {
        const float da = -a.z, db = -b.z;
        if (!(da >= NEAR_DEPTH) && !(db >= NEAR_DEPTH)) {
            anyOutside_ = true;
            return;
        }
        if (!(da >= NEAR_DEPTH) || !(db >= NEAR_DEPTH)) {
            const float t = (NEAR_DEPTH - da) / (db - da);
            const Point3 cut = a + (b - a) * t;
            (da < NEAR_DEPTH ? a : b) = cut;
            clipped = true;
        }
    }
    const Point3 w[2] = {toWindow(a), toWindow(b)};
    pickWindowShape(w, 2, clipped);
}

void GraphicsWindow::pickTriangle(const Point3& a, const Point3& b, const Point3& c, bool cull) {
    if (cull) {
        const Point3 n = (b - a) ^ (c - a);
        // Turned away: the normal does not point back at the viewer.
        const bool away = perspective_ ? !(n % a < 0.0f) : !(n.z > 0.0f);
        if (away) return;
    }
    const Point3 in[3] = {a, b, c};
    Point3 kept[4];
    int count = 0;
    bool clipped = false;
    if (!perspective_) {
        std::copy(in, in + 3, kept);
        count = 3;
    } else {
        // One plane of Sutherland-Hodgman: a triangle stays a triangle or
        // becomes a quadrilateral.
        for (int i = 0; i < 3; ++i) {
            const Point3& p = in[i];
            const Point3& q = in[(i + 1) % 3];
            const bool pIn = -p.z >= NEAR_DEPTH, qIn = -q.z >= NEAR_DEPTH;
            if (pIn) kept[count++] = p;
            else clipped = true;
            if (pIn != qIn) {
                const float t = (NEAR_DEPTH + p.z) / (p.z - q.z);
                kept[count++] = p + (q - p) * t;
            }
        }
        if (count < 3) {
            anyOutside_ = true;
            return;
        }
    }
    Point3 w[4];
    for (int i = 0; i < count; ++i) w[i] = toWindow(kept[i]);
    pickWindowShape(w, count, clipped);
}

void GraphicsWindow::setColor(ColorType t, float r, float g, float b) {
    const Point3 c(r, g, b);
    switch (t) {
    case LINE_COLOR: lineColor_ = c; break;
    case FILL_COLOR: fillColor_ = c; break;
    case TEXT_COLOR: textColor_ = c; break;
    case CLEAR_COLOR: clearColor_ = c; break;
    }
}

Point3 GraphicsWindow::getColor(ColorType t) const {
    switch (t) {
    case LINE_COLOR: return lineColor_;
    case FILL_COLOR: return fillColor_;
    case TEXT_COLOR: return textColor_;
    case CLEAR_COLOR: return clearColor_;
    }
    return lineColor_;
}

void GraphicsWindow::polyline(int ct, const Point3* xyz, const Point3*, int closed, const int*) {
    if (ct <= 0 || !xyz) return;
    if (picking()) {
        for (int i = 0; i + 1 < ct; ++i) pickSegment(xyz[i] * objToView_, xyz[i + 1] * objToView_);
        if (closed && ct > 2) pickSegment(xyz[ct - 1] * objToView_, xyz[0] * objToView_);
        return;
    }
    DrawRecord r = Make(DrawRecord::Polyline, tm_, lineColor_, std::vector<Point3>(xyz, xyz + ct));
    r.closed = closed != 0;
    records_.push_back(std::move(r));
}

void GraphicsWindow::segment(const Point3* xyz, int vis) {
    if (!xyz || !vis) return;
    if (picking()) {
        pickSegment(xyz[0] * objToView_, xyz[1] * objToView_);
        return;
    }
    records_.push_back(Make(DrawRecord::Polyline, tm_, lineColor_, std::vector<Point3>(xyz, xyz + 2)));
}

void GraphicsWindow::marker(const Point3* xyz, MarkerType type) {
    if (!xyz) return;
    if (picking()) {
        pickPoint(*xyz * objToView_);
        return;
    }
    DrawRecord r = Make(DrawRecord::Marker, tm_, lineColor_, {*xyz});
    r.marker = type;
    records_.push_back(std::move(r));
}

void GraphicsWindow::text(const Point3* xyz, const MCHAR* s) {
    // Labels are not picked.
    if (!xyz || picking()) return;
    DrawRecord r = Make(DrawRecord::Text, tm_, textColor_, {*xyz});
    r.text = s ? s : u"";
    records_.push_back(std::move(r));
}

void GraphicsWindow::triangle(const Point3* xyz, const Point3*) {
    if (!xyz) return;
    if (picking()) {
        pickTriangle(xyz[0] * objToView_, xyz[1] * objToView_, xyz[2] * objToView_,
                     (rndLimits_ & GW_BACKCULL) != 0);
        return;
    }
    records_.push_back(Make(DrawRecord::Triangle, tm_, fillColor_, std::vector<Point3>(xyz, xyz + 3)));
}

void GraphicsWindow::mesh(const Mesh& m) {
    if (picking()) {
        const size_t nv = m.verts.size();
        scratch_.resize(nv);
        for (size_t v = 0; v < nv; ++v) scratch_[v] = m.verts[v] * objToView_;
        const bool wire = (rndLimits_ & GW_WIREFRAME) != 0;
        const bool cull = (rndLimits_ & GW_BACKCULL) != 0;
        const bool window = region_.type != POINT_RGN && !region_.crossing;
        for (const Face& face : m.faces) {
            // Window selection is lost at the first primitive outside.
            if (window && anyOutside_) return;
            if (face.Hidden() || face.v[0] >= nv || face.v[1] >= nv || face.v[2] >= nv) continue;
            const Point3* corner[3] = {&scratch_[face.v[0]], &scratch_[face.v[1]], &scratch_[face.v[2]]};
            if (!wire) {
                pickTriangle(*corner[0], *corner[1], *corner[2], cull);
                continue;
            }
            for (int e = 0; e < 3; ++e)
                if (face.getEdgeVis(e)) pickSegment(*corner[e], *corner[(e + 1) % 3]);
        }
        return;
    }
    DrawRecord r = Make(DrawRecord::MeshShape, tm_, fillColor_, {});
    r.meshVerts = m.getNumVerts();
    r.meshFaces = m.getNumFaces();
    r.mesh = &m;
    records_.push_back(std::move(r));
}

int GraphicsWindow::Count(DrawRecord::Kind kind) const {
    int n = 0;
    for (const auto& r : records_)
        if (r.kind == kind) ++n;
    return n;
}
