#include "shading/UvwContext.h"

#include <cmath>
#include <limits>

namespace Nimbal {

namespace {
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// Truncation towards zero that stays defined for any float: NaN gives 0 and
// values beyond the int range stop at its ends.
int truncateToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0f) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}
}  // namespace

UvwContext::UvwContext(TimeValue t)
    : uvw(0.0f, 0.0f, 0.0f),
      position(0.0f, 0.0f, 0.0f),
      normal(0.0f, 0.0f, 1.0f),
      time(t),
      cameraPosition(NaN, NaN, NaN),
      hasCamera(false) {
    mode = 0;
    doMaps = TRUE;
    filterMaps = TRUE;
    shadow = TRUE;
    backFace = FALSE;
    mtlNum = 0;
    nLights = 0;
    rayLevel = 0;
    atmosSkipLight = nullptr;
    globContext = nullptr;
    out.Reset();
    ShadeContext::SetGBufferID(0);
}

bool UvwContext::isFinitePosition(const Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

void UvwContext::setCameraPosition(const Point3& p) {
    cameraPosition = p;
    hasCamera = isFinitePosition(p);
}

Point3 UvwContext::viewDirection() const {
    if (hasCamera) return (position - cameraPosition).Normalize();
    const float theta = (1.0f - uvw.y) * PI;
    const float phi = uvw.x * TWOPI;
    return Point3(std::cos(phi) * std::sin(theta), std::sin(phi) * std::sin(theta), std::cos(theta));
}

void UvwContext::ScreenUV(Point2& uv, Point2& duv) {
    uv = Point2(uvw.x, uvw.y);
    const Point3 d = DUVW(0);
    duv = Point2(d.x, d.y);
}

IPoint2 UvwContext::ScreenCoord() { return IPoint2{truncateToInt(uvw.x * 640.0f), truncateToInt(uvw.y * 480.0f)}; }

void UvwContext::DPdUVW(Point3 dP[3], int) { dP[0] = dP[1] = dP[2] = Point3(0.0f, 0.0f, 0.0f); }

} // namespace Nimbal
