// Scene nodes: a name, a place in the hierarchy, transforms, the object they
// show (with its modifiers), a material and display state.
#pragma once

#include <vector>

#include "host/Objects.h"

class INode : public ReferenceTarget {
public:
    // Reference layout: 0 object, 1 material, 2.. modifiers (first applied first).
    enum { REF_OBJECT = 0, REF_MTL = 1, REF_FIRST_MODIFIER = 2 };

    INode();
    ~INode() override;

    Class_ID ClassID() override { return NODE_CLASS_ID; }
    SClass_ID SuperClassID() override { return BASENODE_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"Node"; }

    const MCHAR* GetName() const { return name_.c_str(); }
    void SetName(const MSTR& name);
    bool IsRootNode() const { return isRoot_; }

    INode* GetParentNode() const { return parent_; }
    int NumberOfChildren() const { return static_cast<int>(children_.size()); }
    INode* GetChildNode(int i) const { return i >= 0 && i < NumberOfChildren() ? children_[i] : nullptr; }
    void AttachChild(INode* child);
    void Detach();

    Matrix3 GetNodeTM(TimeValue t, Interval* valid = nullptr);
    void SetNodeTM(TimeValue t, const Matrix3& tm);
    // Object space to world: the object offset, then the node transform.
    Matrix3 GetObjectTM(TimeValue t, Interval* valid = nullptr);
    Matrix3 GetObjTMAfterWSM(TimeValue t, Interval* valid = nullptr) { return GetObjectTM(t, valid); }
    const Matrix3& GetObjOffsetTM() const { return offsetTm_; }
    void SetObjOffsetTM(const Matrix3& tm) { offsetTm_ = tm; }

    Object* GetObjectRef() const { return object_; }
    void SetObjectRef(Object* obj) { ReplaceReference(REF_OBJECT, obj); }
    // The object after its modifiers; the object is the base object.
    ObjectState EvalWorldState(TimeValue t);

    int NumModifiers() const { return static_cast<int>(modifiers_.size()); }
    Modifier* GetModifier(int i) const { return i >= 0 && i < NumModifiers() ? modifiers_[i] : nullptr; }
    void AddModifier(Modifier* mod);
    void DeleteModifier(int i);

    Mtl* GetMtl() const { return mtl_; }
    void SetMtl(Mtl* mtl);

    DWORD GetWireColor() const { return wireColor_; }
    void SetWireColor(DWORD rgb) { wireColor_ = rgb; }
    BOOL Selected() const { return selected_; }
    void SetSelected(BOOL on) { selected_ = on; }
    BOOL IsFrozen() const { return frozen_; }
    void Freeze(BOOL on) { frozen_ = on; }
    BOOL IsHidden() const { return hidden_; }
    void Hide(BOOL on) { hidden_ = on; }
    BOOL Renderable() const { return renderable_; }
    void SetRenderable(BOOL on) { renderable_ = on; }

    int NumRefs() override { return REF_FIRST_MODIFIER + NumModifiers(); }
    RefTargetHandle GetReference(int i) override;
    void SetReference(int i, RefTargetHandle target) override;
    RefResult MaybeAutoDelete() override { return REF_FAIL; }  // the scene owns nodes
    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    int LoadedParentId() const { return loadedParent_; }

    static INode* MakeRoot();

private:
    MSTR name_;
    bool isRoot_ = false;
    INode* parent_ = nullptr;
    std::vector<INode*> children_;
    Matrix3 tm_;
    Matrix3 offsetTm_;
    Object* object_ = nullptr;
    Mtl* mtl_ = nullptr;
    std::vector<Modifier*> modifiers_;
    DWORD wireColor_ = 0x00808080;
    BOOL selected_ = FALSE;
    BOOL frozen_ = FALSE;
    BOOL hidden_ = FALSE;
    BOOL renderable_ = TRUE;
    int loadedParent_ = -1;
};
