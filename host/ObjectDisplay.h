// The newer viewport path: objects that offer IObjectDisplay2 prepare their
// display once per change and hand the host render items per node. The
// host's standard mesh items are recorded (vertex and face counts) so tests
// can see what a viewport would draw. Also the user-interface colours
// objects draw selected and frozen nodes in.
#pragma once

#include <vector>

#include "host/Geom.h"
#include "host/Mesh.h"
#include "host/ParamBlock.h"

class INode;

constexpr Interface_ID IOBJECT_DISPLAY2_INTERFACE_ID(0x0F24461E, 0x49D00F54);

// The object also wants its Display method called (the older path).
constexpr unsigned long ObjectDisplayRequireLegacyDisplayMode = 1;

struct UpdateDisplayContext {
    TimeValue t = 0;
};

struct UpdateNodeContext {
    INode* node = nullptr;
};

struct RenderItem {
    int numVerts = 0;
    int numFaces = 0;
};

class IRenderItemContainer {
public:
    void AddRenderItem(const RenderItem& item) { items_.push_back(item); }
    void ClearAllRenderItems() { items_.clear(); }
    int GetNumberOfRenderItems() const { return static_cast<int>(items_.size()); }
    const RenderItem& GetRenderItem(int i) const { return items_.at(static_cast<size_t>(i)); }

private:
    std::vector<RenderItem> items_;
};

// The host's standard render items for a triangle mesh.
inline void GenerateMeshRenderItems(IRenderItemContainer& target, const Mesh& mesh, const UpdateDisplayContext&,
                                    const UpdateNodeContext&) {
    target.AddRenderItem(RenderItem{mesh.getNumVerts(), mesh.getNumFaces()});
}

class IObjectDisplay2 : public BaseInterface {
public:
    Interface_ID GetID() override { return IOBJECT_DISPLAY2_INTERFACE_ID; }
    virtual unsigned long GetObjectDisplayRequirement() const { return 0; }
    virtual bool PrepareDisplay(const UpdateDisplayContext&) { return true; }
    virtual bool UpdatePerNodeItems(const UpdateDisplayContext&, UpdateNodeContext&, IRenderItemContainer&) {
        return true;
    }
};

// User-interface colours.
constexpr int COLOR_SELECTION = 0;
constexpr int COLOR_FREEZE = 1;

inline Point3 GetUIColor(int which) {
    switch (which) {
    case COLOR_SELECTION: return Point3(1.0f, 1.0f, 1.0f);
    case COLOR_FREEZE: return Point3(0.6f, 0.6f, 0.6f);
    default: return Point3(0.0f, 0.0f, 0.0f);
    }
}
