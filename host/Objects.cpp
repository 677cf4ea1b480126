#include "host/Objects.h"

#include "host/ClassDesc.h"
#include "host/Node.h"

namespace {
constexpr USHORT CHUNK_MESH = 0x0100;
constexpr USHORT CHUNK_MESH_VERTS = 0x0101;
constexpr USHORT CHUNK_MESH_FACES = 0x0102;
constexpr USHORT CHUNK_MESH_MAP = 0x0103;
constexpr USHORT CHUNK_MESH_NORMALS = 0x0104;
constexpr USHORT CHUNK_DUMMY_BOX = 0x0200;
constexpr USHORT CHUNK_MTL_NAME = 0x0300;
constexpr USHORT CHUNK_MTL_FLAGS = 0x0301;
constexpr USHORT CHUNK_MOD_ENABLED = 0x0400;

void DrawBox(GraphicsWindow* gw, const Box3& b) {
    const Point3 lo = b.pmin, hi = b.pmax;
    const Point3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z},
                         {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    const Point3 bottom[4] = {c[0], c[1], c[2], c[3]};
    const Point3 top[4] = {c[4], c[5], c[6], c[7]};
    gw->polyline(4, bottom, 1);
    gw->polyline(4, top, 1);
    for (int i = 0; i < 4; ++i) {
        const Point3 edge[2] = {c[i], c[i + 4]};
        gw->polyline(2, edge, 0);
    }
}

template <class T>
class BuiltinClassDesc : public ClassDesc2 {
public:
    BuiltinClassDesc(const MCHAR* name, SClass_ID sclass, Class_ID cid, bool isPublic)
        : name_(name), sclass_(sclass), cid_(cid), public_(isPublic) {}
    int IsPublic() override { return public_; }
    void* Create(BOOL) override { return new T(); }
    const MCHAR* ClassName() override { return name_; }
    const MCHAR* InternalName() override { return name_; }
    SClass_ID SuperClassID() override { return sclass_; }
    Class_ID ClassID() override { return cid_; }
    const MCHAR* Category() override { return u"Standard"; }

private:
    const MCHAR* name_;
    SClass_ID sclass_;
    Class_ID cid_;
    bool public_;
};
}  // namespace

void BaseObject::GetWorldBoundBox(TimeValue t, INode* inode, ViewExp* vp, Box3& box) {
    Box3 local;
    GetLocalBoundBox(t, inode, vp, local);
    box = inode && !local.IsEmpty() ? local * inode->GetObjectTM(t) : local;
}

void Object::GetDeformBBox(TimeValue t, Box3& box, Matrix3* tm, BOOL) {
    Box3 local;
    GetLocalBoundBox(t, nullptr, nullptr, local);
    box = (tm && !local.IsEmpty()) ? local * (*tm) : local;
}

int TriObject::Display(TimeValue t, INode* inode, ViewExp* vpt, int) {
    if (!vpt) return 0;
    GraphicsWindow* gw = vpt->getGW();
    if (inode) gw->setTransform(inode->GetObjectTM(t));
    gw->mesh(mesh);
    return 0;
}

RefTargetHandle TriObject::Clone(RemapDir& remap) {
    auto* copy = new TriObject();
    copy->mesh = mesh;
    BaseClone(this, copy, remap);
    return copy;
}

void SaveMesh(ISave* isave, const Mesh& m) {
    isave->BeginChunk(CHUNK_MESH);
    isave->BeginChunk(CHUNK_MESH_VERTS);
    isave->WriteValue(static_cast<int32_t>(m.numVerts));
    for (const Point3& p : m.verts) isave->WriteValue(p);
    isave->EndChunk();
    isave->BeginChunk(CHUNK_MESH_FACES);
    isave->WriteValue(static_cast<int32_t>(m.numFaces));
    for (const Face& f : m.faces) {
        for (int k = 0; k < 3; ++k) isave->WriteValue(static_cast<int32_t>(f.v[k]));
        isave->WriteValue(static_cast<uint32_t>(f.smGroup));
        isave->WriteValue(static_cast<uint32_t>(f.flags));
        isave->WriteValue(static_cast<int32_t>(f.getMatID()));
    }
    isave->EndChunk();
    for (int mp = 0; mp < m.getNumMaps(); ++mp) {
        if (!m.mapSupport(mp)) continue;
        const MeshMap& map = m.Map(mp);
        isave->BeginChunk(CHUNK_MESH_MAP);
        isave->WriteValue(static_cast<int32_t>(mp));
        isave->WriteValue(static_cast<int32_t>(map.vnum));
        for (const UVVert& uv : map.tv) isave->WriteValue(uv);
        isave->WriteValue(static_cast<int32_t>(map.fnum));
        for (const TVFace& f : map.tf)
            for (int k = 0; k < 3; ++k) isave->WriteValue(static_cast<int32_t>(f.t[k]));
        isave->EndChunk();
    }
    if (const MeshNormalSpec* ns = m.GetSpecifiedNormals()) {
        isave->BeginChunk(CHUNK_MESH_NORMALS);
        isave->WriteValue(static_cast<int32_t>(ns->GetNumNormals()));
        for (int i = 0; i < ns->GetNumNormals(); ++i) isave->WriteValue(ns->Normal(i));
        isave->WriteValue(static_cast<int32_t>(ns->GetNumFaces()));
        for (int i = 0; i < ns->GetNumFaces(); ++i) {
            for (int k = 0; k < 3; ++k) {
                isave->WriteValue(static_cast<int32_t>(ns->Face(i).GetNormalID(k)));
                isave->WriteValue(static_cast<uint8_t>(ns->Face(i).GetSpecified(k)));
            }
        }
        isave->EndChunk();
    }
    isave->EndChunk();
}

namespace {
// A count read from a file is believed only if the chunk can hold it.
bool ReadCount(ILoad* iload, int32_t& n, size_t bytesEach) {
    if (iload->ReadValue(n) != IO_OK || n < 0) return false;
    return static_cast<size_t>(n) <= iload->Remaining() / bytesEach;
}
}  // namespace

IOResult LoadMesh(ILoad* iload, Mesh& m) {
    IOResult res;
    m = Mesh();
    while ((res = iload->OpenChunk()) == IO_OK) {
        if (iload->CurChunkID() != CHUNK_MESH) {
            iload->CloseChunk();
            continue;
        }
        while ((res = iload->OpenChunk()) == IO_OK) {
            int32_t n = 0;
            switch (iload->CurChunkID()) {
            case CHUNK_MESH_VERTS:
                if (!ReadCount(iload, n, sizeof(Point3))) return IO_ERROR;
                m.setNumVerts(n);
                for (int i = 0; i < n; ++i)
                    if (iload->ReadValue(m.verts[i]) != IO_OK) return IO_ERROR;
                break;
            case CHUNK_MESH_FACES:
                if (!ReadCount(iload, n, 24)) return IO_ERROR;
                m.setNumFaces(n);
                for (int i = 0; i < n; ++i) {
                    int32_t v[3], mat;
                    uint32_t sm, flags;
                    for (int k = 0; k < 3; ++k)
                        if (iload->ReadValue(v[k]) != IO_OK) return IO_ERROR;
                    if (iload->ReadValue(sm) != IO_OK || iload->ReadValue(flags) != IO_OK ||
                        iload->ReadValue(mat) != IO_OK)
                        return IO_ERROR;
                    for (int k = 0; k < 3; ++k)
                        if (v[k] < 0 || v[k] >= m.numVerts) return IO_ERROR;
                    m.faces[i].setVerts(v[0], v[1], v[2]);
                    m.faces[i].setSmGroup(sm);
                    m.faces[i].flags = flags;
                    m.faces[i].setMatID(static_cast<MtlID>(mat));
                }
                break;
            case CHUNK_MESH_MAP: {
                int32_t mp = 0;
                if (iload->ReadValue(mp) != IO_OK || mp < 0 || mp > 99) return IO_ERROR;
                if (mp >= m.getNumMaps()) m.setNumMaps(mp + 1, true);
                m.setMapSupport(mp, true);
                if (!ReadCount(iload, n, sizeof(UVVert))) return IO_ERROR;
                m.setNumMapVerts(mp, n);
                for (int i = 0; i < n; ++i)
                    if (iload->ReadValue(m.Map(mp).tv[i]) != IO_OK) return IO_ERROR;
                if (!ReadCount(iload, n, 12)) return IO_ERROR;
                m.setNumMapFaces(mp, n);
                for (int i = 0; i < n; ++i) {
                    int32_t t[3];
                    for (int k = 0; k < 3; ++k)
                        if (iload->ReadValue(t[k]) != IO_OK || t[k] < 0 || t[k] >= m.Map(mp).vnum) return IO_ERROR;
                    m.Map(mp).tf[i].setTVerts(t[0], t[1], t[2]);
                }
                break;
            }
            case CHUNK_MESH_NORMALS: {
                MeshNormalSpec* ns = m.SpecifyNormals();
                if (!ReadCount(iload, n, sizeof(Point3))) return IO_ERROR;
                ns->SetNumNormals(n);
                for (int i = 0; i < n; ++i)
                    if (iload->ReadValue(ns->Normal(i)) != IO_OK) return IO_ERROR;
                if (!ReadCount(iload, n, 15)) return IO_ERROR;
                ns->SetNumFaces(n);
                for (int i = 0; i < n; ++i) {
                    for (int k = 0; k < 3; ++k) {
                        int32_t id;
                        uint8_t specified;
                        if (iload->ReadValue(id) != IO_OK || iload->ReadValue(specified) != IO_OK) return IO_ERROR;
                        if (id < -1 || id >= ns->GetNumNormals()) return IO_ERROR;
                        ns->Face(i).SetNormalID(k, id);
                        ns->Face(i).SetSpecified(k, specified != 0);
                    }
                }
                break;
            }
            default: break;
            }
            iload->CloseChunk();
        }
        if (res == IO_ERROR) return IO_ERROR;
        iload->CloseChunk();
    }
    if (res != IO_END) return res;
    // A later chunk may shrink what an earlier one pointed into: check every
    // index against the final counts.
    for (const Face& f : m.faces)
        for (int k = 0; k < 3; ++k)
            if (f.v[k] >= static_cast<DWORD>(m.numVerts)) return IO_ERROR;
    for (int mp = 0; mp < m.getNumMaps(); ++mp) {
        if (!m.mapSupport(mp)) continue;
        const MeshMap& map = m.Map(mp);
        for (const TVFace& f : map.tf)
            for (int k = 0; k < 3; ++k)
                if (f.t[k] >= static_cast<DWORD>(map.vnum)) return IO_ERROR;
    }
    if (const MeshNormalSpec* ns = m.GetSpecifiedNormals()) {
        for (int i = 0; i < ns->GetNumFaces(); ++i)
            for (int k = 0; k < 3; ++k)
                if (ns->Face(i).GetNormalID(k) >= ns->GetNumNormals()) return IO_ERROR;
    }
    return IO_OK;
}

IOResult TriObject::Save(ISave* isave) {
    SaveMesh(isave, mesh);
    return IO_OK;
}

IOResult TriObject::Load(ILoad* iload) { return LoadMesh(iload, mesh); }

TriObject* CreateNewTriObject() { return new TriObject(); }

DummyObject::DummyObject() {
    box_ = Box3(Point3(-5.0f, -5.0f, -5.0f), Point3(5.0f, 5.0f, 5.0f));
}

int DummyObject::Display(TimeValue t, INode* inode, ViewExp* vpt, int) {
    if (!vpt) return 0;
    GraphicsWindow* gw = vpt->getGW();
    if (inode) gw->setTransform(inode->GetObjectTM(t));
    DrawBox(gw, box_);
    return 0;
}

RefTargetHandle DummyObject::Clone(RemapDir& remap) {
    auto* copy = new DummyObject();
    copy->box_ = box_;
    BaseClone(this, copy, remap);
    return copy;
}

IOResult DummyObject::Save(ISave* isave) {
    isave->BeginChunk(CHUNK_DUMMY_BOX);
    isave->WriteValue(box_.pmin);
    isave->WriteValue(box_.pmax);
    isave->EndChunk();
    return IO_OK;
}

IOResult DummyObject::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        if (iload->CurChunkID() == CHUNK_DUMMY_BOX) {
            Point3 lo, hi;
            if (iload->ReadValue(lo) != IO_OK || iload->ReadValue(hi) != IO_OK) return IO_ERROR;
            box_ = Box3(lo, hi);
        }
        iload->CloseChunk();
    }
    return res == IO_END ? IO_OK : res;
}

RefTargetHandle TargetObject::Clone(RemapDir& remap) {
    auto* copy = new TargetObject();
    BaseClone(this, copy, remap);
    return copy;
}

IOResult Modifier::Save(ISave* isave) {
    isave->BeginChunk(CHUNK_MOD_ENABLED);
    isave->WriteValue(static_cast<int32_t>(enabled_));
    isave->EndChunk();
    return IO_OK;
}

IOResult Modifier::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        if (iload->CurChunkID() == CHUNK_MOD_ENABLED) {
            int32_t on = 1;
            if (iload->ReadValue(on) != IO_OK) return IO_ERROR;
            enabled_ = on != 0;
        }
        iload->CloseChunk();
    }
    return res == IO_END ? IO_OK : res;
}

MtlBase& MtlBase::operator=(const MtlBase& from) {
    name_ = from.name_;
    mtlFlags_ = from.mtlFlags_;
    gbufId_ = from.gbufId_;
    return *this;
}

IOResult MtlBase::Save(ISave* isave) {
    isave->BeginChunk(CHUNK_MTL_NAME);
    isave->WriteWString(name_.c_str());
    isave->EndChunk();
    isave->BeginChunk(CHUNK_MTL_FLAGS);
    isave->WriteValue(static_cast<uint32_t>(mtlFlags_));
    isave->WriteValue(static_cast<int32_t>(gbufId_));
    isave->EndChunk();
    return IO_OK;
}

IOResult MtlBase::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        switch (iload->CurChunkID()) {
        case CHUNK_MTL_NAME:
            if (iload->ReadWStringChunk(name_) != IO_OK) return IO_ERROR;
            break;
        case CHUNK_MTL_FLAGS: {
            uint32_t flags;
            int32_t gbuf;
            if (iload->ReadValue(flags) != IO_OK || iload->ReadValue(gbuf) != IO_OK) return IO_ERROR;
            mtlFlags_ = flags;
            gbufId_ = gbuf;
            break;
        }
        default: break;
        }
        iload->CloseChunk();
    }
    return res == IO_END ? IO_OK : res;
}

float Texmap::EvalMono(ShadeContext& sc) {
    const AColor c = EvalColor(sc);
    return (c.r + c.g + c.b) / 3.0f;
}

void RegisterBuiltinClasses(ClassDirectory& directory) {
    static BuiltinClassDesc<TriObject> triDesc(u"Editable Mesh", GEOMOBJECT_CLASS_ID, TRIOBJ_CLASS_ID, false);
    static BuiltinClassDesc<DummyObject> dummyDesc(u"Dummy", HELPER_CLASS_ID, DUMMY_CLASS_ID, true);
    static BuiltinClassDesc<TargetObject> targetDesc(u"Target", GEOMOBJECT_CLASS_ID, TARGET_CLASS_ID, false);
    directory.AddClass(&triDesc);
    directory.AddClass(&dummyDesc);
    directory.AddClass(&targetDesc);
}
