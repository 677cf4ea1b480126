// The shading context: what a renderer tells a material or map about the
// point being shaded. Every query has a default here, so a renderer (or a
// preview) overrides only what it knows.
#pragma once

#include <cstddef>
#include <cstdio>
#include <new>

#include "host/Geom.h"
#include "host/Types.h"

class INode;
class Object;
class Texmap;
class RenderGlobalContext;
class ShadeContext;

// Base of the host's objects that answer interface queries.
class InterfaceServer {
public:
    virtual ~InterfaceServer() = default;
    virtual void* GetInterface(Interface_ID) { return nullptr; }
};

// Marks a class whose heap objects come from the host's heap. This host has
// one heap, so it adds nothing.
class MaxHeapOperators {};

struct IPoint2 {
    int x = 0, y = 0;
    bool operator==(const IPoint2&) const = default;
};

// Coordinate systems of PointTo/PointFrom and friends.
enum RefFrame { REF_CAMERA = 0, REF_WORLD = 1, REF_OBJECT = 2 };

// Axes of BumpBasisVectors.
constexpr int AXIS_UV = 0;
constexpr int AXIS_VW = 1;
constexpr int AXIS_WU = 2;

// What a material writes back.
class ShadeOutput : public MaxHeapOperators {
public:
    ULONG flags = 0;
    Color c;       // shaded colour
    Color t;       // transparency
    float ior = 0.0f;
    int gbufId = 0;

    // Everything back to zero.
    void Reset(int = -1) {
        flags = 0;
        c = Color(0.0f, 0.0f, 0.0f);
        t = Color(0.0f, 0.0f, 0.0f);
        ior = 0.0f;
        gbufId = 0;
    }
};

// A light as a shading context sees it.
class LightDesc : public InterfaceServer {
public:
    // True when the light reaches the point; then its colour, the direction
    // towards it, N.L and the diffuse coefficient.
    virtual BOOL Illuminate(ShadeContext&, Point3&, Color&, Point3&, float&, float&) { return FALSE; }
};

class ShadeContext : public InterfaceServer, public MaxHeapOperators {
public:
    // Public state a renderer sets for each shading point.
    int mode = 0;
    BOOL doMaps = TRUE;
    BOOL filterMaps = TRUE;
    BOOL shadow = TRUE;
    BOOL backFace = FALSE;
    int mtlNum = 0;
    Color ambientLight{0.0f, 0.0f, 0.0f};
    int nLights = 0;
    int rayLevel = 0;
    int xshadeID = 0;
    LightDesc* atmosSkipLight = nullptr;
    RenderGlobalContext* globContext = nullptr;
    ShadeOutput out;

    ShadeContext() { out.Reset(); }
    ShadeContext(const ShadeContext&) = delete;
    ShadeContext& operator=(const ShadeContext&) = delete;
    ~ShadeContext() override = default;

    virtual void ResetOutput(int n = -1) { out.Reset(n); }

    // Identity and situation.
    virtual Class_ID ClassID() { return Class_ID(0, 0); }
    virtual BOOL InMtlEditor() { return FALSE; }
    virtual int Antialias() { return 0; }
    virtual int ProjType() { return 0; }
    virtual LightDesc* Light(int) { return nullptr; }
    virtual TimeValue CurTime() { return 0; }
    virtual int NodeID() { return -1; }
    virtual INode* Node() { return nullptr; }
    virtual Object* GetEvalObject() { return nullptr; }
    virtual Point3 BarycentricCoords() { return Point3(0.0f, 0.0f, 0.0f); }
    virtual int FaceNumber() { return 0; }

    // Normals and view.
    virtual Point3 Normal() { return Point3(0.0f, 0.0f, 1.0f); }
    virtual void SetNormal(Point3) {}
    virtual Point3 OrigNormal() { return Normal(); }
    virtual Point3 GNormal() { return Normal(); }
    virtual float Curve() { return 0.0f; }
    virtual Point3 V() { return Point3(0.0f, 0.0f, -1.0f); }
    virtual void SetView(Point3) {}
    virtual Point3 OrigView() { return V(); }
    virtual Point3 ReflectVector() {
        const Point3 v = V(), n = Normal();
        return v - 2.0f * (v % n) * n;
    }
    virtual Point3 RefractVector(float) { return V(); }
    virtual void SetIOR(float) {}
    virtual float GetIOR() { return 1.0f; }
    virtual Point3 CamPos() { return Point3(0.0f, 0.0f, 0.0f); }

    // Position and its derivatives.
    virtual Point3 P() { return Point3(0.0f, 0.0f, 0.0f); }
    virtual Point3 DP() { return Point3(0.0f, 0.0f, 0.0f); }
    virtual void DP(Point3& dpdx, Point3& dpdy) { dpdx = dpdy = Point3(0.0f, 0.0f, 0.0f); }
    virtual Point3 PObj() { return P(); }
    virtual Point3 DPObj() { return DP(); }
    virtual Box3 ObjectBox() { return Box3(Point3(0.0f, 0.0f, 0.0f), Point3(0.0f, 0.0f, 0.0f)); }
    virtual Point3 PObjRelBox() { return PObj(); }
    virtual Point3 DPObjRelBox() { return DPObj(); }

    // Screen.
    virtual void ScreenUV(Point2& uv, Point2& duv) { uv = duv = Point2(0.0f, 0.0f); }
    virtual IPoint2 ScreenCoord() { return IPoint2{}; }
    virtual Point2 SurfacePtScreen() { return Point2(0.0f, 0.0f); }

    // Texture coordinates.
    virtual Point3 UVW(int = 0) { return Point3(0.0f, 0.0f, 0.0f); }
    virtual Point3 DUVW(int = 0) { return Point3(0.0f, 0.0f, 0.0f); }
    virtual void DPdUVW(Point3 dP[3], int = 0) { dP[0] = dP[1] = dP[2] = Point3(0.0f, 0.0f, 0.0f); }
    virtual int BumpBasisVectors(Point3[2], int, int = 0) { return 0; }
    virtual BOOL IsSuperSampleOn() { return FALSE; }
    virtual BOOL IsTextureSuperSampleOn() { return FALSE; }
    virtual int GetNSuperSample() { return 0; }
    virtual float GetSampleSizeScale() { return 1.0f; }
    virtual Point3 UVWNormal(int = 0) { return Point3(0.0f, 0.0f, 1.0f); }
    virtual float RayDiam() { return DP().Length(); }
    virtual float RayConeAngle() { return 0.0f; }

    // Environment and lighting.
    // Evaluates the map as seen along `view`.
    virtual AColor EvalEnvironMap(Texmap* map, Point3 view);
    virtual AColor EvalGlobalEnvironMap(Point3) { return AColor(0.0f, 0.0f, 0.0f, 0.0f); }
    virtual void GetBGColor(Color& bg, Color& transp, BOOL = TRUE) {
        bg = Color(0.0f, 0.0f, 0.0f);
        transp = Color(0.0f, 0.0f, 0.0f);
    }
    virtual float CamNearRange() { return 0.0f; }
    virtual float CamFarRange() { return 0.0f; }
    // The lights' diffuse contribution at the point.
    virtual Color DiffuseIllum();

    // Per-point cache of map results.
    virtual BOOL GetCache(Texmap*, AColor&) { return FALSE; }
    virtual BOOL GetCache(Texmap*, float&) { return FALSE; }
    virtual BOOL GetCache(Texmap*, Point3&) { return FALSE; }
    virtual void PutCache(Texmap*, const AColor&) {}
    virtual void PutCache(Texmap*, const float) {}
    virtual void PutCache(Texmap*, const Point3&) {}
    virtual void TossCache(Texmap*) {}
    virtual INT_PTR Execute(int, ULONG_PTR = 0, ULONG_PTR = 0, ULONG_PTR = 0) { return 0; }

    // Coordinate systems.
    virtual Point3 PointTo(const Point3& p, RefFrame) { return p; }
    virtual Point3 PointFrom(const Point3& p, RefFrame) { return p; }
    virtual Point3 VectorTo(const Point3& p, RefFrame) { return p; }
    virtual Point3 VectorFrom(const Point3& p, RefFrame) { return p; }
    // As VectorTo/VectorFrom, keeping the vector's length.
    virtual Point3 VectorToNoScale(const Point3& p, RefFrame ito);
    virtual Point3 VectorFromNoScale(const Point3& p, RefFrame ifrom);

    virtual void SetGBufferID(int id) { gbufId_ = id; }
    int GBufferID() const { return gbufId_; }
    virtual FILE* DebugFile() { return nullptr; }

private:
    int gbufId_ = 0;
};
