#include "ViewportDraw.h"

namespace Nimbal {

Point3 nodeDrawColor(INode* node) {
    if (!node) return Point3(1.0f, 1.0f, 1.0f);
    if (node->Selected()) return GetUIColor(COLOR_SELECTION);
    if (node->IsFrozen()) return GetUIColor(COLOR_FREEZE);
    const DWORD rgb = node->GetWireColor();
    return Point3(static_cast<float>(rgb & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
                  static_cast<float>((rgb >> 16) & 0xFF) / 255.0f);
}

void drawBoxEdges(GraphicsWindow* gw, const Box3& box) {
    // Corner i takes x from bit 0, y from bit 1, z from bit 2.
    static const int edges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                     {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    gw->startSegments();
    for (const auto& e : edges) {
        const Point3 segment[2] = {box[e[0]], box[e[1]]};
        gw->segment(segment, 1);
    }
    gw->endSegments();
}

void buildBoxMesh(Mesh& mesh, const Point3& boxMin, const Point3& boxMax) {
    const Box3 box(boxMin, boxMax);
    mesh.setNumVerts(8);
    for (int i = 0; i < 8; ++i) mesh.setVert(i, box[i]);
    static const DWORD quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                      {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    mesh.setNumFaces(12);
    for (int q = 0; q < 6; ++q) {
        const DWORD* v = quads[q];
        Face& a = mesh.getFace(2 * q);
        a.setVerts(v[0], v[1], v[2]);
        a.setSmGroup(1u << q);
        a.setEdgeVisFlags(true, true, false);
        Face& b = mesh.getFace(2 * q + 1);
        b.setVerts(v[2], v[3], v[0]);
        b.setSmGroup(1u << q);
        b.setEdgeVisFlags(true, true, false);
    }
    mesh.InvalidateGeomCache();
    mesh.InvalidateTopologyCache();
}

int hitTestDrawing(ViewExp* vpt, int type, int crossing, IPoint2* p,
                   const std::function<void(GraphicsWindow*)>& draw) {
    if (!vpt || !p) return FALSE;
    GraphicsWindow* gw = vpt->getGW();
    HitRegion region;
    MakeHitRegion(region, type, crossing, HIT_EPSILON, p);

    struct RestoreLimits {
        GraphicsWindow* gw;
        DWORD limits;
        ~RestoreLimits() { gw->setRndLimits(limits); }
    } restore{gw, gw->getRndLimits()};
    DWORD limits = (restore.limits | GW_PICK) & ~GW_ILLUM;
    if (type == HITTYPE_SOLID) limits &= ~GW_WIREFRAME;
    gw->setRndLimits(limits);
    gw->setHitRegion(&region);
    gw->clearHitCode();
    draw(gw);
    return gw->checkHitCode() ? TRUE : FALSE;
}

}  // namespace Nimbal
