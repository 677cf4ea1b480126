// The viewport's graphics window. It draws nothing itself: it records every
// primitive with the transform and colour in force, so viewport rules can be
// checked and the record later drawn into a picture. In pick mode (GW_PICK
// among the rendering limits) the same calls test each primitive against a
// hit region instead, and record nothing.
//
// Window coordinates are pixels with (0, 0) at the centre of the view, x to
// the right and y downwards, as ViewExp::SnapPoint takes them. View space
// looks down its -z axis; the depth of a point is its distance in front of
// the viewer along that axis.
#pragma once

#include <limits>
#include <vector>

#include "host/Geom.h"
#include "host/Types.h"

class Mesh;
struct IPoint2;

enum ColorType { LINE_COLOR, FILL_COLOR, TEXT_COLOR, CLEAR_COLOR };
// Numbered as plug-ins know them (DOT_MRKR is 13).
enum MarkerType { POINT_MRKR, HOLLOW_BOX_MRKR, PLUS_SIGN_MRKR, ASTERISK_MRKR, X_MRKR, BIG_BOX_MRKR, CIRCLE_MRKR,
                  TRIANGLE_MRKR, DIAMOND_MRKR, SM_HOLLOW_BOX_MRKR, SM_CIRCLE_MRKR, SM_TRIANGLE_MRKR,
                  SM_DIAMOND_MRKR, DOT_MRKR, SM_DOT_MRKR };

// Rendering limits (setRndLimits). A mesh is tested by its visible edges
// under GW_WIREFRAME and by its faces otherwise; GW_BACKCULL leaves out
// faces turned away from the viewer.
constexpr DWORD GW_WIREFRAME = 0x0001;
constexpr DWORD GW_ILLUM = 0x0002;
constexpr DWORD GW_BACKCULL = 0x0100;
constexpr DWORD GW_PICK = 0x1000;

// What transPointFWin answers for a point behind the near plane of a
// perspective view (its window coordinates are then meaningless).
constexpr DWORD CLIP_NEAR = 0x0001;

// Kinds of hit region.
constexpr int POINT_RGN = 0x0001;
constexpr int RECT_RGN = 0x0002;
constexpr int CIRCLE_RGN = 0x0004;

// The hit-test types an object's HitTest receives. A solid hit test takes
// meshes by their faces even in a wireframe view.
constexpr int HITTYPE_POINT = 1;
constexpr int HITTYPE_BOX = 2;
constexpr int HITTYPE_CIRCLE = 3;
constexpr int HITTYPE_SOLID = 4;

// Where to look for hits, in window coordinates. A point region hits what
// passes within `epsilon` pixels of the point. Rectangles and circles hit,
// when crossing, whatever touches them; otherwise (window selection) only
// an object all of whose primitives lie wholly inside. Type 0 hits nothing.
struct HitRegion {
    int type = 0;
    int crossing = TRUE;
    int epsilon = 0;
    struct {
        int x = 0, y = 0;
    } pt;
    struct {
        int left = 0, top = 0, right = 0, bottom = 0;
    } rect;
    struct {
        int x = 0, y = 0, r = 0;
    } circle;
};

// The region for a hit test of `type` at the points `p`: one point (point
// and solid tests), two opposite corners (box) or the centre and a point on
// the rim (circle). Other types, or no points, give a region that hits nothing.
void MakeHitRegion(HitRegion& hr, int type, int crossing, int epsilon, const IPoint2* p);

struct DrawRecord {
    enum Kind { Polyline, Marker, Text, MeshShape, Triangle };
    Kind kind;
    Matrix3 tm;   // object to world at the time of drawing
    Point3 color; // the line (or fill, for meshes and triangles) colour
    std::vector<Point3> points;
    bool closed = false;
    MarkerType marker = POINT_MRKR;
    MSTR text;
    int meshVerts = 0;
    int meshFaces = 0;
    // The mesh drawn, not a copy: valid only while its owner leaves it as
    // it is (a picture is made from the records right after the redraw).
    const Mesh* mesh = nullptr;
};

class GraphicsWindow {
public:
    GraphicsWindow() {
        updateObjectToView();
        updateFocal();
    }

    // Object to world.
    void setTransform(const Matrix3& m) {
        tm_ = m;
        updateObjectToView();
    }
    const Matrix3& getTransform() const { return tm_; }
    // The camera: world to view; a parallel view shows `unitsPerPixel` world
    // units per pixel, a perspective one the horizontal field of view `fov`
    // (radians) across the window's width. A scale or field of view that
    // makes no view is ignored.
    void setCamera(const Matrix3& worldToView, bool perspective, float unitsPerPixel, float fov);
    const Matrix3& getViewMatrix() const { return view_; }
    bool isPerspectiveView() const { return perspective_; }
    void setWinSize(int width, int height) {
        if (width > 0 && height > 0) {
            winW_ = width;
            winH_ = height;
            updateFocal();
        }
    }
    int getWinSizeX() const { return winW_; }
    int getWinSizeY() const { return winH_; }
    // Object (under the current transform) or world point to window
    // coordinates, the depth in z. 0, or CLIP_NEAR when it cannot be seen.
    DWORD transPointFWin(const Point3* in, Point3* out) const;
    DWORD wTransPointFWin(const Point3* in, Point3* out) const;

    void setColor(ColorType t, float r, float g, float b);
    void setColor(ColorType t, const Point3& c) { setColor(t, c.x, c.y, c.z); }
    Point3 getColor(ColorType t) const;
    void setRndLimits(DWORD limits) { rndLimits_ = limits; }
    DWORD getRndLimits() const { return rndLimits_; }

    // Hit testing: set a region, clear the code, draw in pick mode, then ask.
    // The region is copied.
    void setHitRegion(const HitRegion* hr) { region_ = hr ? *hr : HitRegion(); }
    void clearHitCode();
    BOOL checkHitCode() const;
    // The depth of the closest hit; the largest float when nothing was hit.
    float getHitDistance() const { return hitDistance_; }

    void polyline(int ct, const Point3* xyz, const Point3* rgb, int closed, const int* es);
    void polyline(int ct, const Point3* xyz, int closed = 0) { polyline(ct, xyz, nullptr, closed, nullptr); }
    void startSegments() {}
    void segment(const Point3* xyz, int vis = 1);
    void endSegments() {}
    void startMarkers() {}
    void marker(const Point3* xyz, MarkerType type);
    void endMarkers() {}
    void text(const Point3* xyz, const MCHAR* s);
    void triangle(const Point3* xyz, const Point3* rgb = nullptr);
    void mesh(const Mesh& m);

    const std::vector<DrawRecord>& Records() const { return records_; }
    void ClearRecords() { records_.clear(); }
    int Count(DrawRecord::Kind kind) const;

private:
    bool picking() const { return (rndLimits_ & GW_PICK) != 0; }
    void updateObjectToView() { objToView_ = tm_ * view_; }
    void updateFocal();
    // A view-space point in window coordinates, its depth in z.
    Point3 toWindow(const Point3& v) const;
    bool behindNear(const Point3& v) const;
    // Pick-mode tests of primitives given in view space.
    void pickPoint(const Point3& v);
    void pickSegment(Point3 a, Point3 b);
    void pickTriangle(const Point3& a, const Point3& b, const Point3& c, bool cull);
    // A point, segment or convex polygon in window coordinates; `clipped`
    // when part of it was cut away by the near plane.
    void pickWindowShape(const Point3* w, int n, bool clipped);

    Matrix3 tm_;
    Matrix3 view_;
    Matrix3 objToView_;
    bool perspective_ = false;
    float unitsPerPixel_ = 1.0f;
    float fov_ = 0.785398f;
    float focal_ = 1.0f;  // pixels per unit of x / depth in perspective
    int winW_ = 640, winH_ = 480;

    Point3 lineColor_{1.0f, 1.0f, 1.0f};
    Point3 fillColor_{0.5f, 0.5f, 0.5f};
    Point3 textColor_{1.0f, 1.0f, 1.0f};
    Point3 clearColor_{0.0f, 0.0f, 0.0f};
    DWORD rndLimits_ = 0;
    std::vector<DrawRecord> records_;

    HitRegion region_;
    bool anyHit_ = false;
    bool anyOutside_ = false;  // a primitive not wholly inside (window selection)
    float hitDistance_ = std::numeric_limits<float>::max();
    std::vector<Point3> scratch_;  // a mesh's vertices in view space
};

// A viewport: its graphics window and view. A new viewport looks straight
// down the world's z axis (a parallel top view, one unit per pixel), so a
// window point and SnapPoint's grid point agree.
class ViewExp {
public:
    ViewExp() { syncCamera(); }

    GraphicsWindow* getGW() { return &gw_; }
    // World to view.
    const Matrix3& GetViewTM() const { return viewTm_; }
    void SetViewTM(const Matrix3& tm) {
        viewTm_ = tm;
        syncCamera();
    }
    bool IsPerspView() const { return perspective_; }
    void SetPerspView(bool p) {
        perspective_ = p;
        syncCamera();
    }
    float GetFOV() const { return fov_; }
    void SetFOV(float fov) {
        if (fov > 0.0f && fov < PI) fov_ = fov;
        syncCamera();
    }
    bool IsAlive() const { return true; }

    // The point of the construction plane (the home grid, z = 0) under a
    // screen point, snapped to the grid when grid snapping is on; `out` gets
    // the screen point of the result (host/CreateMouse.h).
    Point3 SnapPoint(const IPoint2& in, IPoint2& out, Matrix3* plane2d = nullptr, DWORD flags = 0);
    void SetUnitsPerPixel(float units) {
        if (units > 0.0f) unitsPerPixel_ = units;
        syncCamera();
    }
    // Grid spacing for snapping; 0 turns snapping off.
    void SetGridSnap(float spacing) { gridSnap_ = spacing > 0.0f ? spacing : 0.0f; }

private:
    void syncCamera() { gw_.setCamera(viewTm_, perspective_, unitsPerPixel_, fov_); }

    GraphicsWindow gw_;
    Matrix3 viewTm_;
    bool perspective_ = false;
    float fov_ = 0.785398f;
    float unitsPerPixel_ = 1.0f;
    float gridSnap_ = 0.0f;
};
