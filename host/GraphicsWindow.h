// The viewport's graphics window. It draws nothing itself: it records every
// primitive with the transform and colour in force, so viewport rules can be
// checked and the record later drawn into a picture.
#pragma once

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
    void setTransform(const Matrix3& m) { tm_ = m; }
    const Matrix3& getTransform() const { return tm_; }
    void setColor(ColorType t, float r, float g, float b);
    void setColor(ColorType t, const Point3& c) { setColor(t, c.x, c.y, c.z); }
    Point3 getColor(ColorType t) const;
    void setRndLimits(DWORD limits) { rndLimits_ = limits; }
    DWORD getRndLimits() const { return rndLimits_; }

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
    Matrix3 tm_;
    Point3 lineColor_{1.0f, 1.0f, 1.0f};
    Point3 fillColor_{0.5f, 0.5f, 0.5f};
    Point3 textColor_{1.0f, 1.0f, 1.0f};
    Point3 clearColor_{0.0f, 0.0f, 0.0f};
    DWORD rndLimits_ = 0;
    std::vector<DrawRecord> records_;
};

// A viewport: its graphics window and view transform.
class ViewExp {
public:
    GraphicsWindow* getGW() { return &gw_; }
    const Matrix3& GetViewTM() const { return viewTm_; }
    void SetViewTM(const Matrix3& tm) { viewTm_ = tm; }
    bool IsPerspView() const { return perspective_; }
    void SetPerspView(bool p) { perspective_ = p; }
    bool IsAlive() const { return true; }

    // The point of the construction plane (the home grid, z = 0) under a
    // screen point, snapped to the grid when grid snapping is on; `out` gets
    // the screen point of the result (host/CreateMouse.h).
    Point3 SnapPoint(const IPoint2& in, IPoint2& out, Matrix3* plane2d = nullptr, DWORD flags = 0);
    void SetUnitsPerPixel(float units) { if (units > 0.0f) unitsPerPixel_ = units; }
    // Grid spacing for snapping; 0 turns snapping off.
    void SetGridSnap(float spacing) { gridSnap_ = spacing > 0.0f ? spacing : 0.0f; }

private:
    GraphicsWindow gw_;
    Matrix3 viewTm_;
    bool perspective_ = true;
    float unitsPerPixel_ = 1.0f;
    float gridSnap_ = 0.0f;
};
