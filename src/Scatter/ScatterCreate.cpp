#include <algorithm>

#include "Scatter/Scatter.h"

namespace Nimbal {

namespace {

// The first click places the scatter; dragging sizes its gizmo; the second
// click ends.
class ScatterCreateCallBack : public CreateMouseCallBack {
public:
    Scatter* scatter = nullptr;

    int proc(ViewExp* vpt, int msg, int point, int, const IPoint2& m, Matrix3& mat) override {
        if (!vpt || !scatter || !scatter->pblock) return CREATE_ABORT;
        IPoint2 snapped;
        switch (msg) {
        case MOUSE_POINT:
            if (point == 0) {
                first_ = vpt->SnapPoint(m, snapped, nullptr, SNAP_IN_3D);
                // Tiny until the drag gives it a size.
                mat = ScaleMatrix(Point3(0.01f, 0.01f, 0.01f));
                mat.SetTrans(first_);
                return CREATE_CONTINUE;
            }
            return CREATE_STOP;
        case MOUSE_MOVE:
            if (point >= 1) {
                const Point3 p = vpt->SnapPoint(m, snapped, nullptr, SNAP_IN_3D);
                mat.IdentityMatrix();
                mat.SetTrans(first_);
                scatter->pblock->SetValue(scatter_iconSize, 0, std::max(Length(p - first_), 0.0001f));
            }
            return CREATE_CONTINUE;
        case MOUSE_ABORT: return CREATE_ABORT;
        default: return CREATE_CONTINUE;
        }
    }

private:
    Point3 first_{0.0f, 0.0f, 0.0f};
};

ScatterCreateCallBack createCallBack;

}  // namespace

void Scatter::forgetCreation(Scatter* scatter) {
    if (createCallBack.scatter == scatter) createCallBack.scatter = nullptr;
}

CreateMouseCallBack* Scatter::GetCreateMouseCallBack() {
    createCallBack.scatter = this;
    return &createCallBack;
}

}  // namespace Nimbal
