#include <functional>

#include "host/Interface.h"

bool Interface::CloneNodes(INodeTab& nodes, const Point3& offset, bool expandHierarchies, CloneType cloneType,
                           INodeTab* resultSource, INodeTab* resultTarget) {
    if (resultSource) resultSource->clear();
    if (resultTarget) resultTarget->clear();
    RemapDir remap;
    std::function<INode*(INode*, INode*)> cloneOne = [&](INode* source, INode* parent) -> INode* {
        auto* copy = new INode();
        copy->SetName(source->GetName());
        Matrix3 tm = source->GetNodeTM(time_);
        tm.SetTrans(tm.GetTrans() + offset);
        copy->SetNodeTM(time_, tm);
        copy->SetObjOffsetTM(source->GetObjOffsetTM());
        copy->SetWireColor(source->GetWireColor());
        copy->Hide(source->IsHidden());
        copy->SetRenderable(source->Renderable());
        (parent ? parent : root_)->AttachChild(copy);
        remap.AddEntry(source, copy);
        // An instance shares the object and its modifiers; a copy owns clones.
        const bool share = cloneType != NODE_COPY;
        Object* obj = source->GetObjectRef();
        copy->SetObjectRef(share ? obj : static_cast<Object*>(remap.CloneRef(obj)));
        for (int i = 0; i < source->NumModifiers(); ++i) {
            Modifier* mod = source->GetModifier(i);
            copy->AddModifier(share ? mod : static_cast<Modifier*>(remap.CloneRef(mod)));
        }
        copy->SetMtl(source->GetMtl());
        if (resultSource) resultSource->push_back(source);
        if (resultTarget) resultTarget->push_back(copy);
        if (expandHierarchies)
            for (int c = 0; c < source->NumberOfChildren(); ++c) cloneOne(source->GetChildNode(c), copy);
        return copy;
    };
    bool any = false;
    for (INode* n : nodes) {
        if (!n || n == root_) continue;
        INode* parent = n->GetParentNode();
        cloneOne(n, parent && !parent->IsRootNode() ? parent : nullptr);
        any = true;
    }
    remap.Backpatch();
    return any;
}
