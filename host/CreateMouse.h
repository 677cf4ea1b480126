// Interactive creation: the host feeds an object's creation callback the
// clicks and moves of the user, each with the screen point and the node
// transform being built; the callback answers whether creation goes on.
// This host has no mouse: tests and tools call the callback as the host would.
#pragma once

#include <cmath>

#include "host/Geom.h"
#include "host/GraphicsWindow.h"
#include "host/ShadeContext.h"
#include "host/Types.h"

// Mouse messages of a creation callback.
constexpr int MOUSE_ABORT = 0;
constexpr int MOUSE_IDLE = 1;
constexpr int MOUSE_POINT = 2;
constexpr int MOUSE_MOVE = 3;
constexpr int MOUSE_DBLCLICK = 4;
constexpr int MOUSE_INIT = 5;
constexpr int MOUSE_UNINIT = 6;
constexpr int MOUSE_FREEMOVE = 7;

// What a creation callback answers.
constexpr int CREATE_STOP = 0;
constexpr int CREATE_CONTINUE = 1;
constexpr int CREATE_ABORT = -1;

// Snap flags of ViewExp::SnapPoint.
constexpr DWORD SNAP_IN_3D = 0x00;
constexpr DWORD SNAP_IN_PLANE = 0x01;

class CreateMouseCallBack {
public:
    virtual ~CreateMouseCallBack() = default;
    // `point` counts the clicks so far (0 before the first one is done);
    // `mat` is the transform the new node gets.
    virtual int proc(ViewExp* vpt, int msg, int point, int flags, const IPoint2& m, Matrix3& mat) {
        (void)vpt; (void)msg; (void)point; (void)flags; (void)m; (void)mat;
        return CREATE_ABORT;
    }
};

// Defined here, with IPoint2 at hand; inline so that a loaded plug-in module
// finds it whatever the executable links (docs/architecture.md).
inline Point3 ViewExp::SnapPoint(const IPoint2& in, IPoint2& out, Matrix3*, DWORD) {
    const auto snap = [this](float v) { return gridSnap_ > 0.0f ? std::round(v / gridSnap_) * gridSnap_ : v; };
    // The home grid: screen x to world x, screen y (downwards) to world -y.
    const Point3 p(snap(static_cast<float>(in.x) * unitsPerPixel_), snap(-static_cast<float>(in.y) * unitsPerPixel_),
                   0.0f);
    out.x = static_cast<int>(std::lround(p.x / unitsPerPixel_));
    out.y = static_cast<int>(std::lround(-p.y / unitsPerPixel_));
    return p;
}
