#include "host/CreateMouse.h"

#include <cmath>

#include "host/GraphicsWindow.h"

namespace {
float Snap(float v, float spacing) { return spacing > 0.0f ? std::round(v / spacing) * spacing : v; }
}  // namespace

Point3 ViewExp::SnapPoint(const IPoint2& in, IPoint2& out, Matrix3*, DWORD) {
    // The home grid: screen x to world x, screen y (downwards) to world -y.
    const Point3 p(Snap(static_cast<float>(in.x) * unitsPerPixel_, gridSnap_),
                   Snap(-static_cast<float>(in.y) * unitsPerPixel_, gridSnap_), 0.0f);
    out.x = static_cast<int>(std::lround(p.x / unitsPerPixel_));
    out.y = static_cast<int>(std::lround(-p.y / unitsPerPixel_));
    return p;
}
