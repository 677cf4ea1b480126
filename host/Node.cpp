#include "host/Node.h"

#include <algorithm>

namespace {
constexpr USHORT CHUNK_NODE_NAME = 0x0500;
constexpr USHORT CHUNK_NODE_TM = 0x0501;
constexpr USHORT CHUNK_NODE_OFFSET = 0x0502;
constexpr USHORT CHUNK_NODE_DISPLAY = 0x0503;
constexpr USHORT CHUNK_NODE_PARENT = 0x0504;
constexpr USHORT CHUNK_NODE_MODCOUNT = 0x0505;

void WriteMatrix(ISave* isave, const Matrix3& m) {
    for (int r = 0; r < 4; ++r) isave->WriteValue(m.GetRow(r));
}

bool ReadMatrix(ILoad* iload, Matrix3& m) {
    for (int r = 0; r < 4; ++r) {
        Point3 row;
        if (iload->ReadValue(row) != IO_OK) return false;
        m.SetRow(r, row);
    }
    return true;
}
}  // namespace

INode::INode() = default;

INode::~INode() {
    // Children outlive a deleted parent by moving up to the grandparent.
    auto kids = children_;
    for (INode* c : kids) {
        c->parent_ = nullptr;
        if (parent_) parent_->AttachChild(c);
    }
    children_.clear();
    Detach();
}

INode* INode::MakeRoot() {
    auto* root = new INode();
    root->isRoot_ = true;
    root->name_ = u"Scene Root";
    return root;
}

void INode::SetName(const MSTR& name) {
    name_ = name;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_NAMECHANGE);
}

void INode::AttachChild(INode* child) {
    if (!child || child == this) return;
    // Refuse cycles: a node cannot become its own ancestor's child.
    for (INode* p = this; p; p = p->parent_)
        if (p == child) return;
    child->Detach();
    child->parent_ = this;
    children_.push_back(child);
}

void INode::Detach() {
    if (!parent_) return;
    auto& sib = parent_->children_;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
    parent_ = nullptr;
}

Matrix3 INode::GetNodeTM(TimeValue, Interval* valid) {
    if (valid) *valid &= FOREVER;
    return tm_;
}

void INode::SetNodeTM(TimeValue, const Matrix3& tm) {
    tm_ = tm;
    NotifyDependents(FOREVER, PART_TM, REFMSG_CHANGE);
}

Matrix3 INode::GetObjectTM(TimeValue t, Interval* valid) { return offsetTm_ * GetNodeTM(t, valid); }

ObjectState INode::EvalWorldState(TimeValue t) {
    ObjectState os(object_);
    if (!object_) return os;
    os = object_->Eval(t);
    ModContext mc;
    for (Modifier* m : modifiers_)
        if (m && m->IsEnabled()) m->ModifyObject(t, mc, &os, this);
    return os;
}

void INode::AddModifier(Modifier* mod) {
    if (!mod) return;
    modifiers_.push_back(nullptr);
    ReplaceReference(REF_FIRST_MODIFIER + NumModifiers() - 1, mod);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
}

void INode::DeleteModifier(int i) {
    if (i < 0 || i >= NumModifiers()) return;
    ReplaceReference(REF_FIRST_MODIFIER + i, nullptr);
    modifiers_.erase(modifiers_.begin() + i);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
}

void INode::SetMtl(Mtl* mtl) {
    ReplaceReference(REF_MTL, mtl);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_MATERIAL_CHANGED);
}

RefTargetHandle INode::GetReference(int i) {
    if (i == REF_OBJECT) return object_;
    if (i == REF_MTL) return mtl_;
    return GetModifier(i - REF_FIRST_MODIFIER);
}

void INode::SetReference(int i, RefTargetHandle target) {
    if (i == REF_OBJECT) object_ = dynamic_cast<Object*>(target);
    else if (i == REF_MTL) mtl_ = dynamic_cast<Mtl*>(target);
    else if (i - REF_FIRST_MODIFIER >= 0 && i - REF_FIRST_MODIFIER < NumModifiers())
        modifiers_[i - REF_FIRST_MODIFIER] = dynamic_cast<Modifier*>(target);
}

RefTargetHandle INode::Clone(RemapDir& remap) {
    auto* copy = new INode();
    copy->name_ = name_;
    copy->tm_ = tm_;
    copy->offsetTm_ = offsetTm_;
    copy->wireColor_ = wireColor_;
    copy->hidden_ = hidden_;
    copy->renderable_ = renderable_;
    remap.AddEntry(this, copy);
    copy->ReplaceReference(REF_OBJECT, remap.CloneRef(object_));
    copy->ReplaceReference(REF_MTL, mtl_);  // materials are shared, as the host's copy does
    for (Modifier* m : modifiers_) copy->AddModifier(static_cast<Modifier*>(remap.CloneRef(m)));
    if (parent_) parent_->AttachChild(copy);
    BaseClone(this, copy, remap);
    return copy;
}

IOResult INode::Save(ISave* isave) {
    isave->BeginChunk(CHUNK_NODE_NAME);
    isave->WriteWString(name_.c_str());
    isave->EndChunk();
    isave->BeginChunk(CHUNK_NODE_TM);
    WriteMatrix(isave, tm_);
    isave->EndChunk();
    isave->BeginChunk(CHUNK_NODE_OFFSET);
    WriteMatrix(isave, offsetTm_);
    isave->EndChunk();
    isave->BeginChunk(CHUNK_NODE_DISPLAY);
    isave->WriteValue(static_cast<uint32_t>(wireColor_));
    isave->WriteValue(static_cast<int32_t>(selected_));
    isave->WriteValue(static_cast<int32_t>(hidden_));
    isave->WriteValue(static_cast<int32_t>(renderable_));
    isave->EndChunk();
    isave->BeginChunk(CHUNK_NODE_PARENT);
    isave->WriteValue(static_cast<int32_t>(parent_ && !parent_->isRoot_ ? isave->GetRefID(parent_) : -1));
    isave->EndChunk();
    isave->BeginChunk(CHUNK_NODE_MODCOUNT);
    isave->WriteValue(static_cast<int32_t>(NumModifiers()));
    isave->EndChunk();
    return IO_OK;
}

IOResult INode::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        switch (iload->CurChunkID()) {
        case CHUNK_NODE_NAME:
            if (iload->ReadWStringChunk(name_) != IO_OK) return IO_ERROR;
            break;
        case CHUNK_NODE_TM:
            if (!ReadMatrix(iload, tm_)) return IO_ERROR;
            break;
        case CHUNK_NODE_OFFSET:
            if (!ReadMatrix(iload, offsetTm_)) return IO_ERROR;
            break;
        case CHUNK_NODE_DISPLAY: {
            uint32_t wire;
            int32_t sel, hid, ren;
            if (iload->ReadValue(wire) != IO_OK || iload->ReadValue(sel) != IO_OK ||
                iload->ReadValue(hid) != IO_OK || iload->ReadValue(ren) != IO_OK)
                return IO_ERROR;
            wireColor_ = wire;
            selected_ = sel != 0;
            hidden_ = hid != 0;
            renderable_ = ren != 0;
            break;
        }
        case CHUNK_NODE_PARENT: {
            int32_t p;
            if (iload->ReadValue(p) != IO_OK) return IO_ERROR;
            loadedParent_ = p;
            break;
        }
        case CHUNK_NODE_MODCOUNT: {
            int32_t n;
            // Room for the modifier references that the loader wires next.
            if (iload->ReadValue(n) != IO_OK || n < 0 || n > 4096) return IO_ERROR;
            modifiers_.assign(n, nullptr);
            break;
        }
        default: break;
        }
        iload->CloseChunk();
    }
    return res == IO_END ? IO_OK : res;
}
