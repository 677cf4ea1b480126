// The editable poly object. This host keeps its polygons as the triangles of
// a Mesh; only conversion to it and rendering are supported.
#pragma once

#include "host/Objects.h"

constexpr Class_ID EPOLYOBJ_CLASS_ID(0x1BF8338D, 0x192F6098);

class PolyObject : public GeomObject {
public:
    Mesh mm;

    Class_ID ClassID() override { return EPOLYOBJ_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"Editable Poly"; }
    int CanConvertToType(Class_ID cid) override { return cid == EPOLYOBJ_CLASS_ID || cid == TRIOBJ_CLASS_ID; }
    Object* ConvertToType(TimeValue, Class_ID cid) override {
        if (cid == EPOLYOBJ_CLASS_ID) return this;
        if (cid != TRIOBJ_CLASS_ID) return nullptr;
        TriObject* tri = CreateNewTriObject();
        tri->mesh = mm;
        return tri;
    }
    Mesh* GetRenderMesh(TimeValue, INode*, View&, BOOL& needDelete) override {
        needDelete = FALSE;
        return &mm;
    }
    void GetLocalBoundBox(TimeValue, INode*, ViewExp*, Box3& box) override { box = mm.getBoundingBox(); }
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* copy = new PolyObject();
        copy->mm = mm;
        BaseClone(this, copy, remap);
        return copy;
    }
};
