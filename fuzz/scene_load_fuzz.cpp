// Feeds arbitrary bytes to the scene loader, then uses what loaded the way
// plug-ins and renderers do, and clears the scene again.
//
// Two classes of our own make object records loadable besides the host's
// built-in ones: a target with any number of references and a post-load
// callback, and a geometry object whose parameter block is reference 0.
//
// Seeds: NIMBAL_SCENE_SEEDS=<dir> ./scene_load_fuzz writes small saved scenes
// into <dir> and exits (fuzz/corpus/scene/ holds them).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Max.h"
#include "SceneFuzzDriver.h"

namespace {

using scene_fuzz::WriteSeed;

constexpr Class_ID LINK_CID(0x7E5F0001, 0x1);
constexpr Class_ID SHAPE_CID(0x7E5F0002, 0x1);
constexpr USHORT CHUNK_LINK_REFS = 0x10;
constexpr USHORT CHUNK_LINK_POSTLOAD = 0x11;
constexpr USHORT CHUNK_LINK_NAME = 0x12;

template <class T>
class FuzzDesc : public ClassDesc2 {
public:
    FuzzDesc(const MCHAR* name, SClass_ID sclass, Class_ID cid) : name_(name), sclass_(sclass), cid_(cid) {}
    int IsPublic() override { return 1; }
    void* Create(BOOL) override { return new T(); }
    const MCHAR* ClassName() override { return name_; }
    SClass_ID SuperClassID() override { return sclass_; }
    Class_ID ClassID() override { return cid_; }
    const MCHAR* Category() override { return u"Fuzz"; }

private:
    const MCHAR* name_;
    SClass_ID sclass_;
    Class_ID cid_;
};

// A target with a list of references. Loading may register a post-load
// callback that reads the references and, as conversions do, drops one.
class Link : public ReferenceTarget {
public:
    Class_ID ClassID() override { return LINK_CID; }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"Link"; }
    int NumRefs() override { return static_cast<int>(refs.size()); }
    RefTargetHandle GetReference(int i) override { return i >= 0 && i < NumRefs() ? refs[i] : nullptr; }
    void SetReference(int i, RefTargetHandle t) override {
        if (i >= 0 && i < NumRefs()) refs[i] = t;
    }
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* copy = new Link();
        copy->refs.assign(refs.size(), nullptr);
        copy->name = name;
        for (int i = 0; i < NumRefs(); ++i) copy->ReplaceReference(i, remap.CloneRef(refs[i]));
        BaseClone(this, copy, remap);
        return copy;
    }
    IOResult Save(ISave* isave) override {
        isave->BeginChunk(CHUNK_LINK_REFS);
        isave->WriteValue(static_cast<int32_t>(refs.size()));
        isave->EndChunk();
        isave->BeginChunk(CHUNK_LINK_NAME);
        isave->WriteWString(name.c_str());
        isave->EndChunk();
        if (postLoad >= 0) {
            isave->BeginChunk(CHUNK_LINK_POSTLOAD);
            isave->WriteValue(static_cast<int32_t>(postLoad));
            isave->EndChunk();
        }
        return IO_OK;
    }
    IOResult Load(ILoad* iload) override;

    std::vector<RefTargetHandle> refs;
    MSTR name;
    int postLoad = -1;
};

class LinkPostLoad : public PostLoadCallback {
public:
    LinkPostLoad(Link* link, int priority) : link_(link), priority_(priority) {}
    void proc(ILoad* iload) override {
        for (int i = 0; i < link_->NumRefs(); ++i) {
            if (RefTargetHandle t = link_->GetReference(i)) {
                MSTR name;
                t->GetClassName(name);
                t->NumDependents();
            }
        }
        iload->GetObjectByRefID(priority_);
        // Odd priorities drop the first reference, which may delete a target.
        if ((priority_ & 1) && link_->NumRefs() > 0) link_->DeleteReference(0);
        delete this;
    }
    int Priority() override { return priority_; }
    void Abandon() override { delete this; }

private:
    Link* link_;
    int priority_;
};

IOResult Link::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        int32_t v = 0;
        switch (iload->CurChunkID()) {
        case CHUNK_LINK_REFS:
            if (iload->ReadValue(v) != IO_OK || v < 0 || v > 16) return IO_ERROR;
            refs.assign(v, nullptr);
            break;
        case CHUNK_LINK_NAME:
            if (iload->ReadWStringChunk(name) != IO_OK) return IO_ERROR;
            break;
        case CHUNK_LINK_POSTLOAD:
            if (iload->ReadValue(v) != IO_OK) return IO_ERROR;
            postLoad = v & 0xF;
            iload->RegisterPostLoadCallback(new LinkPostLoad(this, postLoad));
            break;
        default: break;
        }
        iload->CloseChunk();
    }
    return res == IO_END ? IO_OK : res;
}

enum ShapeParam : ParamID {
    sp_size = 1, sp_count, sp_tint, sp_glow, sp_label, sp_map, sp_node, sp_weights, sp_links, sp_nodes, sp_names
};

// Reads a value of each kind back when asked, as accessors do.
class ShapeAccessor : public PBAccessor {
public:
    void Get(PB2Value& v, ReferenceMaker*, ParamID id, int, TimeValue, Interval&) override {
        if (id == sp_label || id == sp_names) v.s += u"!";
    }
    void TabChanged(tab_changes, std::vector<PB2Value>*, ReferenceMaker* owner, ParamID, int, int) override {
        if (owner) owner->NumRefs();
    }
};
ShapeAccessor g_accessor;

class Shape : public GeomObject {
public:
    Shape();
    Class_ID ClassID() override { return SHAPE_CID; }
    void GetClassName(MSTR& s) const override { s = u"Shape"; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) pblock = dynamic_cast<IParamBlock2*>(t);
    }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override { return pblock && pblock->ID() == id ? pblock : nullptr; }
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* copy = new Shape();
        copy->ReplaceReference(0, remap.CloneRef(pblock));
        BaseClone(this, copy, remap);
        return copy;
    }
    IParamBlock2* pblock = nullptr;
};

FuzzDesc<Link> g_linkDesc(u"Link", REF_TARGET_CLASS_ID, LINK_CID);
FuzzDesc<Shape> g_shapeDesc(u"Shape", GEOMOBJECT_CLASS_ID, SHAPE_CID);

ParamBlockDesc2 g_shapePb(
    BlockDesc{.id = 0, .name = "shapePb", .owner = &g_shapeDesc, .version = 2, .refNo = 0},
    {
        {.id = sp_size, .name = "size", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f},
        {.id = sp_count, .name = "count", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 2},
        {.id = sp_tint, .name = "tint", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1, 1, 1)},
        {.id = sp_glow, .name = "glow", .type = TYPE_FRGBA, .def = AColor(0, 0, 0, 1)},
        {.id = sp_label, .name = "label", .type = TYPE_STRING, .def = u"shape", .accessor = &g_accessor},
        {.id = sp_map, .name = "map", .type = TYPE_TEXMAP},
        {.id = sp_node, .name = "node", .type = TYPE_INODE},
        {.id = sp_weights, .name = "weights", .type = TabOf(TYPE_FLOAT), .flags = P_ANIMATABLE, .def = 0.5f,
         .accessor = &g_accessor, .tableSize = 1},
        {.id = sp_links, .name = "links", .type = TabOf(TYPE_REFTARG), .accessor = &g_accessor},
        {.id = sp_nodes, .name = "nodes", .type = TabOf(TYPE_INODE), .accessor = &g_accessor},
        {.id = sp_names, .name = "names", .type = TabOf(TYPE_STRING), .def = u"", .accessor = &g_accessor},
    });

Shape::Shape() { g_shapeDesc.MakeAutoParamBlocks(this); }

// What a renderer or the viewport does with a loaded scene.
void UseScene(Interface* ip) {
    ViewExp view;
    for (INode* n : ip->AllNodes()) {
        const ObjectState os = n->EvalWorldState(0);
        n->GetObjectTM(2400);
        if (!os.obj) continue;
        Box3 box;
        os.obj->GetWorldBoundBox(0, n, &view, box);
        os.obj->Display(0, n, &view, 0);
        if (auto* tri = dynamic_cast<TriObject*>(os.obj)) {
            tri->mesh.buildNormals();
            if (MeshNormalSpec* ns = tri->mesh.GetSpecifiedNormals()) ns->CheckNormals();
        }
        if (auto* shape = dynamic_cast<Shape*>(os.obj); shape && shape->pblock) {
            IParamBlock2* pb = shape->pblock;
            Interval valid = FOREVER;
            pb->GetValidity(1200, valid);
            for (int i = 0; i < pb->NumParams(); ++i) {
                const ParamID id = pb->IndextoID(i);
                for (int k = 0; k < pb->Count(id); ++k) {
                    PB2Value v;
                    pb->GetValue(id, 1200, v, valid, k);
                    pb->GetStr(id, 0, k);
                }
            }
            // Editing after a load: tables grow and shrink, references move.
            pb->SetCount(sp_links, pb->Count(sp_links) + 1);
            pb->Delete(sp_nodes, 0, 1);
            pb->ResetAll();
        }
    }
    // Cloning the loaded objects keeps shared targets shared.
    if (ip->NumSceneObjects() > 0) {
        if (RefTargetHandle copy = CloneRefHierarchy(ip->GetSceneObject(0))) {
            RefHolder hold(copy);
        }
    }
}

void WriteSeeds(const std::string& dir) {
    Interface* ip = GetCOREInterface();

    // Two nodes, a shape with table and key values, shared links, a mesh.
    ip->ResetScene();
    auto* shape = new Shape();
    INode* parent = ip->CreateObjectNode(shape, u"parent");
    TriObject* tri = CreateNewTriObject();
    tri->mesh.setNumVerts(3);
    tri->mesh.setVert(1, Point3(1, 0, 0));
    tri->mesh.setVert(2, Point3(0, 1, 0));
    tri->mesh.setNumFaces(1);
    tri->mesh.faces[0].setVerts(0, 1, 2);
    INode* child = ip->CreateObjectNode(tri, u"child");
    parent->AttachChild(child);
    auto* shared = new Link();
    shared->name = u"shared";
    AnimateOn();
    shape->pblock->SetValue(sp_size, 4800, 3.0f);
    AnimateOff();
    shape->pblock->SetValue(sp_label, 0, u"seed");
    shape->pblock->SetValue(sp_node, 0, child);
    const PB2Value links[] = {shared, shared};
    shape->pblock->Append(sp_links, 2, links);
    const PB2Value nodes[] = {child};
    shape->pblock->Append(sp_nodes, 1, nodes);
    const PB2Value names[] = {u"a"};
    shape->pblock->Append(sp_names, 1, names);
    auto* loose = new Link();
    loose->refs.assign(2, nullptr);
    loose->postLoad = 3;
    loose->ReplaceReference(0, shared);
    ip->AddToScene(loose);
    WriteSeed(dir, "nodes-and-blocks.nsc", ip);

    // Loose objects only, two with post-load callbacks.
    ip->ResetScene();
    for (int i = 0; i < 3; ++i) {
        auto* l = new Link();
        l->refs.assign(1, nullptr);
        l->postLoad = i == 0 ? -1 : i;
        l->ReplaceReference(0, new TargetObject());
        ip->AddToScene(l);
    }
    WriteSeed(dir, "loose-objects.nsc", ip);

    // A dummy with a modifier-free node and nothing else.
    ip->ResetScene();
    ip->CreateObjectNode(new DummyObject(), u"dummy");
    WriteSeed(dir, "dummy.nsc", ip);
    ip->ResetScene();
}

}  // namespace

namespace scene_fuzz {

void RegisterClasses() {
    ClassDirectory::Get().AddClass(&g_linkDesc);
    ClassDirectory::Get().AddClass(&g_shapeDesc);
}

void WriteSeeds(const std::string& dir) { ::WriteSeeds(dir); }
void UseScene(Interface* ip) { ::UseScene(ip); }

}  // namespace scene_fuzz
