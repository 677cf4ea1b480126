#include "host/GraphicsWindow.h"

#include "host/Mesh.h"

namespace {
DrawRecord Make(DrawRecord::Kind kind, const Matrix3& tm, const Point3& color, std::vector<Point3> points) {
    DrawRecord r;
    r.kind = kind;
    r.tm = tm;
    r.color = color;
    r.points = std::move(points);
    return r;
}
}  // namespace

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
    DrawRecord r = Make(DrawRecord::Polyline, tm_, lineColor_, std::vector<Point3>(xyz, xyz + ct));
    r.closed = closed != 0;
    records_.push_back(std::move(r));
}

void GraphicsWindow::segment(const Point3* xyz, int vis) {
    if (!xyz || !vis) return;
    records_.push_back(Make(DrawRecord::Polyline, tm_, lineColor_, std::vector<Point3>(xyz, xyz + 2)));
}

void GraphicsWindow::marker(const Point3* xyz, MarkerType type) {
    if (!xyz) return;
    DrawRecord r = Make(DrawRecord::Marker, tm_, lineColor_, {*xyz});
    r.marker = type;
    records_.push_back(std::move(r));
}

void GraphicsWindow::text(const Point3* xyz, const MCHAR* s) {
    if (!xyz) return;
    DrawRecord r = Make(DrawRecord::Text, tm_, textColor_, {*xyz});
    r.text = s ? s : u"";
    records_.push_back(std::move(r));
}

void GraphicsWindow::triangle(const Point3* xyz, const Point3*) {
    if (!xyz) return;
    records_.push_back(Make(DrawRecord::Triangle, tm_, fillColor_, std::vector<Point3>(xyz, xyz + 3)));
}

void GraphicsWindow::mesh(const Mesh& m) {
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
