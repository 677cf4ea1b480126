#include "TopViewPicture.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "PluginHost.h"

namespace cli {
namespace {

// Each picture pixel is drawn as ss x ss samples and averaged: smooth edges
// without an antialiasing rasteriser. Large pictures take one sample, which
// keeps the buffers within a few hundred megabytes.
int SamplesPerSide(int longSide) { return longSide <= 2048 ? 2 : 1; }

// Visits the world-space primitives of the records: triangles (shaded
// meshes and triangle records), segments (polylines, wire meshes) and dots
// (markers). Text is left out.
template <typename Tri, typename Seg, typename Dot>
void Visit(const std::vector<DrawRecord>& records, bool wires, Tri tri, Seg seg, Dot dot) {
    std::vector<Point3> world;
    for (const DrawRecord& r : records) {
        switch (r.kind) {
        case DrawRecord::Polyline: {
            const size_t n = r.points.size();
            for (size_t i = 0; i + 1 < n; ++i) seg(r.points[i] * r.tm, r.points[i + 1] * r.tm, r.color);
            if (r.closed && n > 2) seg(r.points[n - 1] * r.tm, r.points[0] * r.tm, r.color);
            break;
        }
        case DrawRecord::Marker:
            if (!r.points.empty()) dot(r.points[0] * r.tm, r.color);
            break;
        case DrawRecord::Triangle:
            if (r.points.size() == 3) tri(r.points[0] * r.tm, r.points[1] * r.tm, r.points[2] * r.tm, r.color);
            break;
        case DrawRecord::MeshShape: {
            if (!r.mesh) break;
            const Mesh& m = *r.mesh;
            world.resize(static_cast<size_t>(m.getNumVerts()));
            for (int v = 0; v < m.getNumVerts(); ++v) world[size_t(v)] = m.verts[size_t(v)] * r.tm;
            for (int f = 0; f < m.getNumFaces(); ++f) {
                const Face& face = m.faces[size_t(f)];
                if (face.Hidden()) continue;
                bool valid = true;
                for (DWORD k : face.v) valid = valid && k < world.size();
                if (!valid) continue;
                const Point3& a = world[face.v[0]];
                const Point3& b = world[face.v[1]];
                const Point3& c = world[face.v[2]];
                if (!wires) {
                    tri(a, b, c, r.color);
                    continue;
                }
                const Point3* corner[3] = {&a, &b, &c};
                for (int e = 0; e < 3; ++e)
                    if (face.getEdgeVis(e)) seg(*corner[e], *corner[(e + 1) % 3], r.color);
            }
            break;
        }
        case DrawRecord::Text: break;
        }
    }
}

bool Finite(const Point3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

struct Canvas {
    int ss = 2;        // samples per picture pixel, per side
    int w = 0, h = 0;  // in samples
    float x0 = 0, y1 = 0, scale = 1;  // world x0 maps to 0, world y1 to the top
    float depthTolerance = 0;
    std::vector<uint8_t> rgb;
    std::vector<float> depth;  // the highest z drawn; the view looks down

    float Sx(const Point3& p) const { return (p.x - x0) * scale; }
    float Sy(const Point3& p) const { return (y1 - p.y) * scale; }

    static uint8_t Byte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

    void Put(int x, int y, float z, const Point3& c, bool writeDepth) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        const size_t i = size_t(y) * size_t(w) + size_t(x);
        if (z + depthTolerance < depth[i]) return;
        if (writeDepth) depth[i] = std::max(depth[i], z);
        rgb[3 * i] = Byte(c.x);
        rgb[3 * i + 1] = Byte(c.y);
        rgb[3 * i + 2] = Byte(c.z);
    }

    void Triangle(const Point3& a, const Point3& b, const Point3& c, const Point3& color) {
        if (!Finite(a) || !Finite(b) || !Finite(c)) return;
        const float ax = Sx(a), ay = Sy(a), bx = Sx(b), by = Sy(b), cx = Sx(c), cy = Sy(c);
        const float area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
        if (!(std::fabs(area) > 1e-12f)) return;  // seen edge-on
        // Lit from above and a little from the upper left, both sides alike.
        Point3 n = CrossProd(b - a, c - a);
        const float len = Length(n);
        if (len > 0.0f) n = n / len;
        const Point3 light = Normalize(Point3(-0.35f, 0.45f, 1.0f));
        const float shade = 0.3f + 0.7f * std::fabs(DotProd(n, light));
        const Point3 lit = color * shade;
        const int xmin = std::max(0, int(std::floor(std::min({ax, bx, cx}))));
        const int xmax = std::min(w - 1, int(std::ceil(std::max({ax, bx, cx}))));
        const int ymin = std::max(0, int(std::floor(std::min({ay, by, cy}))));
        const int ymax = std::min(h - 1, int(std::ceil(std::max({ay, by, cy}))));
        for (int y = ymin; y <= ymax; ++y) {
            const float py = float(y) + 0.5f;
            for (int x = xmin; x <= xmax; ++x) {
                const float px = float(x) + 0.5f;
                const float wa = ((bx - px) * (cy - py) - (by - py) * (cx - px)) / area;
                const float wb = ((cx - px) * (ay - py) - (cy - py) * (ax - px)) / area;
                const float wc = 1.0f - wa - wb;
                if (wa < 0.0f || wb < 0.0f || wc < 0.0f) continue;
                Put(x, y, wa * a.z + wb * b.z + wc * c.z, lit, true);
            }
        }
    }

    // A segment one picture pixel wide.
    void Segment(const Point3& a, const Point3& b, const Point3& color) {
        if (!Finite(a) || !Finite(b)) return;
        const float ax = Sx(a), ay = Sy(a), bx = Sx(b), by = Sy(b);
        const float span = std::max(std::fabs(bx - ax), std::fabs(by - ay));
        if (span > 4.0f * float(w + h)) return;  // far off the picture; not worth the steps
        const int steps = std::max(1, int(std::ceil(span)));
        for (int s = 0; s <= steps; ++s) {
            const float t = float(s) / float(steps);
            const int x = int(std::floor(ax + (bx - ax) * t)) - ss / 2;
            const int y = int(std::floor(ay + (by - ay) * t)) - ss / 2;
            const float z = a.z + (b.z - a.z) * t;
            for (int dy = 0; dy < ss; ++dy)
                for (int dx = 0; dx < ss; ++dx) Put(x + dx, y + dy, z, color, true);
        }
    }

    // A dot three picture pixels across.
    void Dot(const Point3& p, const Point3& color) {
        if (!Finite(p)) return;
        const int r = (3 * ss) / 2;
        const int cx = int(std::floor(Sx(p))), cy = int(std::floor(Sy(p)));
        for (int y = cy - r; y < cy - r + 3 * ss; ++y)
            for (int x = cx - r; x < cx - r + 3 * ss; ++x) Put(x, y, p.z, color, true);
    }
};

}  // namespace

void TopViewPicture::Add(const std::vector<DrawRecord>& records, bool meshesAsWires) {
    layers_.push_back({&records, meshesAsWires});
}

TopViewPicture::Size TopViewPicture::WritePng(const std::string& path, int longSide) const {
    if (longSide < 1 || longSide > 4096) throw Failure{"a picture side must be 1 to 4096 pixels"};

    // The extent of everything drawn.
    float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    auto grow = [&](const Point3& p) {
        if (!Finite(p)) return;
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    };
    for (const Layer& layer : layers_)
        Visit(
            *layer.records, layer.wires,
            [&](const Point3& a, const Point3& b, const Point3& c, const Point3&) {
                grow(a);
                grow(b);
                grow(c);
            },
            [&](const Point3& a, const Point3& b, const Point3&) {
                grow(a);
                grow(b);
            },
            [&](const Point3& p, const Point3&) { grow(p); });
    if (!(lo[0] <= hi[0])) lo[0] = lo[1] = lo[2] = -1.0f, hi[0] = hi[1] = hi[2] = 1.0f;
    float extent = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    if (!(extent > 0.0f)) extent = 1.0f;
    const float margin = 0.04f * extent;
    const float x0 = lo[0] - margin, x1 = hi[0] + margin, y0 = lo[1] - margin, y1 = hi[1] + margin;
    const float scale = float(longSide) / std::max(x1 - x0, y1 - y0);

    Size size;
    size.width = std::clamp(int(std::lround((x1 - x0) * scale)), 1, longSide);
    size.height = std::clamp(int(std::lround((y1 - y0) * scale)), 1, longSide);

    Canvas canvas;
    const int ss = SamplesPerSide(longSide);
    canvas.ss = ss;
    canvas.w = size.width * ss;
    canvas.h = size.height * ss;
    canvas.x0 = x0;
    canvas.y1 = y1;
    canvas.scale = scale * float(ss);
    canvas.depthTolerance = 1e-3f * std::max(hi[2] - lo[2], extent);
    const size_t samples = size_t(canvas.w) * size_t(canvas.h);
    canvas.depth.assign(samples, -INFINITY);
    canvas.rgb.resize(3 * samples);
    for (size_t i = 0; i < samples; ++i) {
        canvas.rgb[3 * i] = Canvas::Byte(background_.x);
        canvas.rgb[3 * i + 1] = Canvas::Byte(background_.y);
        canvas.rgb[3 * i + 2] = Canvas::Byte(background_.z);
    }

    // Surfaces first, so that lines on them pass the depth test whatever
    // the order they were drawn in.
    auto none2 = [](const Point3&, const Point3&, const Point3&) {};
    auto none1 = [](const Point3&, const Point3&) {};
    for (const Layer& layer : layers_)
        Visit(
            *layer.records, layer.wires,
            [&](const Point3& a, const Point3& b, const Point3& c, const Point3& col) { canvas.Triangle(a, b, c, col); },
            none2, none1);
    for (const Layer& layer : layers_)
        Visit(
            *layer.records, layer.wires, [](const Point3&, const Point3&, const Point3&, const Point3&) {},
            [&](const Point3& a, const Point3& b, const Point3& col) { canvas.Segment(a, b, col); },
            [&](const Point3& p, const Point3& col) { canvas.Dot(p, col); });

    std::vector<uint8_t> pixels(size_t(size.width) * size_t(size.height) * 3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            for (int ch = 0; ch < 3; ++ch) {
                int sum = 0;
                for (int dy = 0; dy < ss; ++dy)
                    for (int dx = 0; dx < ss; ++dx)
                        sum += canvas.rgb[3 * (size_t(y * ss + dy) * size_t(canvas.w) + size_t(x * ss + dx)) + ch];
                pixels[3 * (size_t(y) * size_t(size.width) + size_t(x)) + ch] =
                    static_cast<uint8_t>((sum + ss * ss / 2) / (ss * ss));
            }
        }
    }

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size.width);
    image.height = static_cast<png_uint_32>(size.height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr)) {
        const std::string why = image.message;
        png_image_free(&image);
        std::remove(path.c_str());
        throw Failure{"cannot write " + path + (why.empty() ? "" : ": " + why)};
    }
    return size;
}

}  // namespace cli
