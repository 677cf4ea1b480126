// Viewport drawing the geometric objects share. Each object draws through
// one routine of its own, called by Display and by HitTest alike, so what is
// picked is always what is shown.
#pragma once

#include <functional>

#include "host/Max.h"

namespace Nimbal {

// Pixels around a picked point that still count as a hit.
inline constexpr int HIT_EPSILON = 4;

// The host's colour for a selected or frozen node, else the node's wire
// colour; white without a node.
Point3 nodeDrawColor(INode* node);

// The twelve edges of a box as segments.
void drawBoxEdges(GraphicsWindow* gw, const Box3& box);

// The twelve triangles of an axis-aligned box, wound outwards, with one
// smoothing group a side and the diagonals hidden.
void buildBoxMesh(Mesh& mesh, const Point3& boxMin, const Point3& boxMax);

// Runs `draw` in the viewport's graphics window as a hit test of the region
// the points make (a solid test takes meshes by their faces even in a
// wireframe view). TRUE when something drawn was hit. The window's rendering
// limits are restored afterwards, also when `draw` throws.
int hitTestDrawing(ViewExp* vpt, int type, int crossing, IPoint2* p,
                   const std::function<void(GraphicsWindow*)>& draw);

}  // namespace Nimbal
