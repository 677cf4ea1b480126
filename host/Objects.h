// The host's object classes: geometry, helpers, lights, shadows, modifiers,
// materials and maps, renderers, and its built-in triangle object, dummy
// helper and target.
#pragma once

#include "host/CreateMouse.h"
#include "host/GraphicsWindow.h"
#include "host/Mesh.h"
#include "host/ParamMap.h"
#include "host/Reference.h"
#include "host/Save.h"

class INode;
class ClassDirectory;
class Object;
class ShadeContext;
class TexHandleMaker;
struct BITMAPINFO;

struct ObjectState {
    ObjectState() = default;
    explicit ObjectState(Object* o) : obj(o) {}
    Object* obj = nullptr;
};

// The renderer's view, as handed to GetRenderMesh.
class View {
public:
    virtual ~View() = default;
    Matrix3 worldToView;
    int projType = 0;  // 0 perspective, 1 parallel
    float fov = 0.785398f;
    int screenW = 640, screenH = 480;
};

constexpr int GEOM_DISPLAY_DEFAULT = 0;

class BaseObject : public ReferenceTarget {
public:
    virtual int Display(TimeValue, INode*, ViewExp*, int) { return 0; }
    // TRUE when the object is hit by the region the points make (MakeHitRegion).
    virtual int HitTest(TimeValue, INode*, int, int, int, IPoint2*, ViewExp*) { return 0; }
    virtual void GetWorldBoundBox(TimeValue t, INode* inode, ViewExp* vp, Box3& box);
    virtual void GetLocalBoundBox(TimeValue, INode*, ViewExp*, Box3& box) { box.Init(); }
    virtual CreateMouseCallBack* GetCreateMouseCallBack() { return nullptr; }
    virtual const MCHAR* GetObjectName() { return u""; }
};

class Object : public BaseObject {
public:
    virtual ObjectState Eval(TimeValue) { return ObjectState(this); }
    virtual Interval ObjectValidity(TimeValue) { return FOREVER; }
    virtual int CanConvertToType(Class_ID) { return 0; }
    // The converted object; the caller deletes it unless it is this object.
    virtual Object* ConvertToType(TimeValue, Class_ID) { return nullptr; }
    virtual void GetDeformBBox(TimeValue t, Box3& box, Matrix3* tm = nullptr, BOOL useSel = FALSE);
    virtual int IsRenderable() { return 1; }
    virtual void InitNodeName(MSTR& s) { GetClassName(s); }
    // Face and vertex counts for the scene statistics; FALSE when unknown.
    virtual BOOL PolygonCount(TimeValue, int& numFaces, int& numVerts) {
        numFaces = numVerts = 0;
        return FALSE;
    }
    // Copies the given channels of another object into this one.
    virtual void ShallowCopy(Object*, ULONG) {}
};

class GeomObject : public Object {
public:
    SClass_ID SuperClassID() override { return GEOMOBJECT_CLASS_ID; }
    // The mesh to render; needDelete tells the caller to delete it.
    virtual Mesh* GetRenderMesh(TimeValue, INode*, View&, BOOL& needDelete) {
        needDelete = FALSE;
        return nullptr;
    }
};

class TriObject : public GeomObject {
public:
    Mesh mesh;
    Mesh& GetMesh() { return mesh; }

    Class_ID ClassID() override { return TRIOBJ_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"Editable Mesh"; }
    int CanConvertToType(Class_ID cid) override { return cid == TRIOBJ_CLASS_ID; }
    Object* ConvertToType(TimeValue, Class_ID cid) override { return cid == TRIOBJ_CLASS_ID ? this : nullptr; }
    Mesh* GetRenderMesh(TimeValue, INode*, View&, BOOL& needDelete) override {
        needDelete = FALSE;
        return &mesh;
    }
    void GetLocalBoundBox(TimeValue, INode*, ViewExp*, Box3& box) override { box = mesh.getBoundingBox(); }
    void GetDeformBBox(TimeValue, Box3& box, Matrix3* tm = nullptr, BOOL = FALSE) override {
        box = mesh.getBoundingBox(tm);
    }
    int Display(TimeValue, INode* inode, ViewExp* vpt, int flags) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
};

TriObject* CreateNewTriObject();
// Writes and reads a mesh as chunks (vertices, faces, map channels, normals).
void SaveMesh(ISave* isave, const Mesh& mesh);
IOResult LoadMesh(ILoad* iload, Mesh& mesh);

class HelperObject : public Object {
public:
    SClass_ID SuperClassID() override { return HELPER_CLASS_ID; }
};

class DummyObject : public HelperObject {
public:
    DummyObject();
    Class_ID ClassID() override { return DUMMY_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"Dummy"; }
    void SetBox(const Box3& b) { box_ = b; }
    const Box3& GetBox() const { return box_; }
    int IsRenderable() override { return 0; }
    void GetLocalBoundBox(TimeValue, INode*, ViewExp*, Box3& box) override { box = box_; }
    int Display(TimeValue, INode* inode, ViewExp* vpt, int flags) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    Box3 box_;
};

// The look-at target of a camera or light.
class TargetObject : public GeomObject {
public:
    Class_ID ClassID() override { return TARGET_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"Target"; }
    int IsRenderable() override { return 0; }
    RefTargetHandle Clone(RemapDir& remap) override;
};

class LightObject : public Object {
public:
    SClass_ID SuperClassID() override { return LIGHT_CLASS_ID; }
    int IsRenderable() override { return 0; }
};

// A general light as the host's renderers see it.
class GenLight : public LightObject {
public:
    virtual BOOL GetUseLight() { return TRUE; }
    virtual void SetUseLight(int) {}
    virtual Point3 GetRGBColor(TimeValue, Interval&) { return Point3(1.0f, 1.0f, 1.0f); }
    virtual float GetIntensity(TimeValue, Interval&) { return 1.0f; }
};

class ShadowType : public ReferenceTarget {
public:
    SClass_ID SuperClassID() override { return SHADOW_TYPE_CLASS_ID; }
};

class ModContext {
public:
    Matrix3 tm;
};

class Modifier : public BaseObject {
public:
    SClass_ID SuperClassID() override { return OSM_CLASS_ID; }
    virtual Interval LocalValidity(TimeValue) { return FOREVER; }
    virtual void ModifyObject(TimeValue, ModContext&, ObjectState*, INode*) {}
    virtual BOOL IsEnabled() { return enabled_; }
    void SetEnabled(BOOL on) { enabled_ = on; }
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    BOOL enabled_ = TRUE;
};

class Texmap;
class Mtl;

class ISubMap {
public:
    virtual ~ISubMap() = default;
    virtual int NumSubTexmaps() { return 0; }
    virtual Texmap* GetSubTexmap(int) { return nullptr; }
    virtual void SetSubTexmap(int, Texmap*) {}
    virtual int SubTexmapOn(int) { return 1; }
    virtual MSTR GetSubTexmapSlotName(int) { return MSTR(); }
};

// Shared state of materials and maps.
class MtlBase : public ReferenceTarget, public ISubMap {
public:
    MtlBase() = default;
    // Copies the host-side state (name, flags, G-buffer id), never references.
    MtlBase& operator=(const MtlBase& from);

    const MSTR& GetName() const { return name_; }
    void SetName(const MSTR& n) { name_ = n; }
    ULONG GetMtlFlags() const { return mtlFlags_; }
    void SetMtlFlag(ULONG flag, BOOL on = TRUE) { mtlFlags_ = on ? (mtlFlags_ | flag) : (mtlFlags_ & ~flag); }
    int GetGBufID() const { return gbufId_; }
    void SetGBufID(int id) { gbufId_ = id; }

    virtual void Update(TimeValue, Interval&) {}
    virtual void Reset() {}
    virtual Interval Validity(TimeValue) { return FOREVER; }
    virtual IAutoMParamDlg* CreateParamDlg(HWND, IMtlParams*) { return nullptr; }

    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    MSTR name_;
    ULONG mtlFlags_ = 0;
    int gbufId_ = 0;
};

class Mtl : public MtlBase {
public:
    SClass_ID SuperClassID() override { return MATERIAL_CLASS_ID; }
    virtual Color GetAmbient(int = 0, BOOL = FALSE) { return Color(0.0f, 0.0f, 0.0f); }
    virtual Color GetDiffuse(int = 0, BOOL = FALSE) { return Color(0.5f, 0.5f, 0.5f); }
    virtual Color GetSpecular(int = 0, BOOL = FALSE) { return Color(0.0f, 0.0f, 0.0f); }
    virtual float GetShininess(int = 0, BOOL = FALSE) { return 0.0f; }
    virtual float GetShinStr(int = 0, BOOL = FALSE) { return 0.0f; }
    virtual float GetXParency(int = 0, BOOL = FALSE) { return 0.0f; }
    virtual void SetAmbient(Color, TimeValue) {}
    virtual void SetDiffuse(Color, TimeValue) {}
    virtual void SetSpecular(Color, TimeValue) {}
    virtual void SetShininess(float, TimeValue) {}
    virtual void Shade(ShadeContext&) {}
    virtual int NumSubMtls() { return 0; }
    virtual Mtl* GetSubMtl(int) { return nullptr; }
    virtual void SetSubMtl(int, Mtl*) {}
    virtual MSTR GetSubMtlSlotName(int) { return MSTR(); }
};

class Texmap : public MtlBase {
public:
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
    virtual AColor EvalColor(ShadeContext&) { return AColor(0.0f, 0.0f, 0.0f, 1.0f); }
    virtual float EvalMono(ShadeContext& sc);
    virtual Point3 EvalNormalPerturb(ShadeContext&) { return Point3(0.0f, 0.0f, 0.0f); }
    // The map's viewport image (host/TexHandle.cpp); the default samples
    // EvalColor over a Size() square.
    virtual BITMAPINFO* GetVPDisplayDIB(TimeValue t, TexHandleMaker& thmaker, Interval& valid, BOOL mono = FALSE,
                                        int forceW = 0, int forceH = 0);
};

class Renderer : public ReferenceTarget {
public:
    SClass_ID SuperClassID() override { return RENDERER_CLASS_ID; }
};

// Registers the triangle object, the dummy helper and the target.
void RegisterBuiltinClasses(ClassDirectory& directory);
