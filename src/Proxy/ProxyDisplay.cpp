#include <algorithm>
#include <cmath>

#include "Proxy/ProxyUi.h"
#include "Scatter/RandomGenerators.h"
#include "ViewportDraw.h"

namespace Nimbal {

namespace {

// The full 64-bit multiplier of xorshift64*; the cloud takes both halves of
// the product.
constexpr uint64_t XORSHIFT64STAR_MULTIPLIER = 0x2545F4914F6CDD1DULL;

constexpr uint32_t POINT_CLOUD_SEED = 1337;

}  // namespace

Box3 Proxy::iconBox() {
    const float s = pblock ? pblock->GetFloat(proxy_viewportIconSize) : 1.0f;
    return Box3(Point3(-s, -s, -s), Point3(s, s, s));
}

const Stack<Point3>& Proxy::getPointCloud() {
    if (pointCloud.isEmpty()) buildPointCloud();
    return pointCloud;
}

void Proxy::buildPointCloud() {
    pointCloud.clear();
    const Mesh& mesh = data.mesh;
    const int faces = mesh.getNumFaces();
    // Without the mesh in memory there is nothing to sample.
    if (faces <= 0) return;

    struct Triangle {
        Point3 p0, e1, e2;
    };
    Stack<Triangle> triangles;
    Stack<double> runningArea;
    triangles.reserve(faces);
    runningArea.reserve(faces);
    double total = 0.0;
    const int verts = mesh.getNumVerts();
    for (int f = 0; f < faces; ++f) {
        const Face& face = mesh.getFace(f);
        Triangle tri{};
        double area = 0.0;
        // A face that names a missing vertex gets no area and so no points.
        if (face.v[0] < DWORD(verts) && face.v[1] < DWORD(verts) && face.v[2] < DWORD(verts)) {
            tri.p0 = mesh.getVert(static_cast<int>(face.v[0]));
            tri.e1 = mesh.getVert(static_cast<int>(face.v[1])) - tri.p0;
            tri.e2 = mesh.getVert(static_cast<int>(face.v[2])) - tri.p0;
            area = static_cast<double>(CrossProd(tri.e1, tri.e2).Length()) / 2.0;
        }
        total += area;
        triangles.push(tri);
        runningArea.push(total);
    }

    Xorshift64Star generator(seedXorshift64Star(POINT_CLOUD_SEED));
    const int count = std::max(1000, std::min(faces, 100000));
    pointCloud.reserve(count);
    for (int i = 0; i < count; ++i) {
        generator.next();
        uint64_t product = generator.state * XORSHIFT64STAR_MULTIPLIER;
        const float r1 = unitFloat(static_cast<uint32_t>(product));
        const float r2 = unitFloat(static_cast<uint32_t>(product >> 32));
        const double target = static_cast<double>(r2) * total;
        const double* found = std::upper_bound(runningArea.begin(), runningArea.end(), target);
        const int32_t pick = found == runningArea.end() ? faces - 1 : static_cast<int32_t>(found - runningArea.begin());
        generator.next();
        product = generator.state * XORSHIFT64STAR_MULTIPLIER;
        const float r3 = unitFloat(static_cast<uint32_t>(product));
        const float s = std::sqrt(r1);
        const Triangle& tri = triangles[pick];
        pointCloud.push(tri.p0 + tri.e1 * (s * r3) + tri.e2 * (1.0f - s));
    }
}

void Proxy::draw(TimeValue t, INode* node, GraphicsWindow* gw) {
    ensureLoaded();
    gw->setTransform(node ? node->GetObjectTM(t) : Matrix3());
    const Point3 color = nodeDrawColor(node);
    gw->setColor(LINE_COLOR, color);
    gw->setColor(FILL_COLOR, color);

    if (!data.isLoaded()) {
        // The icon: a cube at 0.8 of the icon size with a cross on its top.
        const float s = 0.8f * (pblock ? pblock->GetFloat(proxy_viewportIconSize) : 1.0f);
        drawBoxEdges(gw, Box3(Point3(-s, -s, -s), Point3(s, s, s)));
        const Point3 cross[2][2] = {{{-s, -s, s}, {s, s, s}}, {{s, -s, s}, {-s, s, s}}};
        for (const auto& line : cross) gw->polyline(2, line, 0);
        return;
    }

    switch (displayMode()) {
    case PREVIZ_SOLID_BOX: gw->mesh(boxMesh); break;
    case PREVIZ_WIRE_BOX: drawBoxEdges(gw, Box3(boxMin, boxMax)); break;
    case PREVIZ_POINT_CLOUD: {
        const Stack<Point3>& cloud = getPointCloud();
        const double wanted = std::trunc(static_cast<double>(pblock->GetFloat(proxy_pointcloudDensity, t)) *
                                         static_cast<double>(cloud.size()));
        // Densities above 1 are allowed by the range; never draw past the cloud.
        const int32_t shown = wanted > 0.0 ? static_cast<int32_t>(std::min(wanted, double(cloud.size()))) : 0;
        gw->startMarkers();
        for (int32_t i = 0; i < shown; ++i) gw->marker(&cloud[i], DOT_MRKR);
        gw->endMarkers();
        break;
    }
    case PREVIZ_FULL_MESH: gw->mesh(data.mesh); break;
    }
}

int Proxy::Display(TimeValue t, INode* node, ViewExp* vpt, int) {
    if (!vpt) return 0;
    draw(t, node, vpt->getGW());
    displayDirty = false;
    return 0;
}

int Proxy::HitTest(TimeValue t, INode* node, int type, int crossing, int, IPoint2* p, ViewExp* vpt) {
    return hitTestDrawing(vpt, type, crossing, p, [&](GraphicsWindow* gw) { draw(t, node, gw); });
}

bool Proxy::PrepareDisplay(const UpdateDisplayContext&) {
    ensureLoaded();
    displayMode();
    return true;
}

bool Proxy::UpdatePerNodeItems(const UpdateDisplayContext& context, UpdateNodeContext& nodeContext,
                               IRenderItemContainer& target) {
    ensureLoaded();
    // Modes 0 to 2 are drawn by Display.
    if (displayMode() == PREVIZ_FULL_MESH && data.isLoaded())
        GenerateMeshRenderItems(target, data.mesh, context, nodeContext);
    return true;
}

}  // namespace Nimbal
