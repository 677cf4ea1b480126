#pragma once

#include <cstddef>

#include "host/ShadeContext.h"

namespace Nimbal {

// The library's own shading context, for evaluating maps outside a render
// (previews, the scatter's density maps). Every query is answered from the
// few fields below; every coordinate system is the same one.
//
// Built on the stack by its user, who fills the fields, sets the camera
// position through setCameraPosition (or sets hasCamera right after writing
// cameraPosition), and then changes uvw, position and normal between
// evaluations.
class UvwContext : public ::ShadeContext {
public:
    explicit UvwContext(TimeValue t = 0);
    UvwContext(const UvwContext&) = delete;
    UvwContext& operator=(const UvwContext&) = delete;
    static void* operator new(size_t) = delete;
    static void* operator new[](size_t) = delete;

    // Returned for every map channel; x and y are also the screen position.
    Point3 uvw;
    Point3 position;
    Point3 normal;
    TimeValue time;
    // NaN in all three components when there is no camera.
    Point3 cameraPosition;
    // True exactly when all three components of cameraPosition are finite.
    bool hasCamera;

    void setCameraPosition(const Point3& p);
    static bool isFinitePosition(const Point3& p);

    Class_ID ClassID() override { return Class_ID(0, 0); }
    BOOL InMtlEditor() override { return FALSE; }
    int Antialias() override { return 1; }
    int ProjType() override { return 0; }
    LightDesc* Light(int) override { return nullptr; }
    TimeValue CurTime() override { return time; }
    int NodeID() override { return -1; }
    ::INode* Node() override { return nullptr; }
    ::Object* GetEvalObject() override { return nullptr; }
    Point3 BarycentricCoords() override { return UVW(0); }
    int FaceNumber() override { return 0; }

    Point3 Normal() override { return normal; }
    void SetNormal(Point3) override {}
    Point3 OrigNormal() override { return normal; }
    Point3 GNormal() override { return normal; }
    float Curve() override { return 0.0f; }
    Point3 V() override { return viewDirection(); }
    void SetView(Point3) override {}
    Point3 OrigView() override { return viewDirection(); }
    Point3 ReflectVector() override { return -viewDirection(); }
    Point3 RefractVector(float) override { return viewDirection(); }
    void SetIOR(float) override {}
    float GetIOR() override { return 1.0f; }
    Point3 CamPos() override { return hasCamera ? cameraPosition : position + Point3(0.0f, 0.0f, 1.0f); }

    Point3 P() override { return position; }
    Point3 DP() override { return Point3(0.0f, 0.0f, 0.0f); }
    void DP(Point3&, Point3&) override {}
    Point3 PObj() override { return position; }
    Point3 DPObj() override { return Point3(0.0f, 0.0f, 0.0f); }
    Box3 ObjectBox() override { return Box3(Point3(0.0f, 0.0f, 0.0f), Point3(0.0f, 0.0f, 0.0f)); }
    Point3 PObjRelBox() override { return position; }
    Point3 DPObjRelBox() override { return Point3(0.0f, 0.0f, 0.0f); }

    void ScreenUV(Point2& uv, Point2& duv) override;
    IPoint2 ScreenCoord() override;
    Point2 SurfacePtScreen() override { return Point2(0.0f, 0.0f); }

    Point3 UVW(int) override { return uvw; }
    Point3 DUVW(int) override { return Point3(0.0f, 0.0f, 0.0f); }
    void DPdUVW(Point3 dP[3], int) override;
    int BumpBasisVectors(Point3[2], int, int) override { return 0; }
    BOOL IsSuperSampleOn() override { return FALSE; }
    BOOL IsTextureSuperSampleOn() override { return FALSE; }
    int GetNSuperSample() override { return 0; }
    float GetSampleSizeScale() override { return 1.0f; }
    Point3 UVWNormal(int) override { return Point3(0.0f, 0.0f, 1.0f); }
    float RayDiam() override { return DP().Length(); }
    float RayConeAngle() override { return 0.0f; }
    float CamNearRange() override { return 0.0f; }
    float CamFarRange() override { return 0.0f; }

    AColor EvalGlobalEnvironMap(Point3) override { return AColor(0.0f, 0.0f, 0.0f, 0.0f); }
    void GetBGColor(Color&, Color&, BOOL) override {}
    BOOL GetCache(Texmap*, AColor&) override { return FALSE; }
    BOOL GetCache(Texmap*, float&) override { return FALSE; }
    BOOL GetCache(Texmap*, Point3&) override { return FALSE; }
    void PutCache(Texmap*, const AColor&) override {}
    void PutCache(Texmap*, const float) override {}
    void PutCache(Texmap*, const Point3&) override {}
    void TossCache(Texmap*) override {}
    INT_PTR Execute(int, ULONG_PTR, ULONG_PTR, ULONG_PTR) override { return 0; }

    Point3 PointTo(const Point3& p, RefFrame) override { return p; }
    Point3 PointFrom(const Point3& p, RefFrame) override { return p; }
    Point3 VectorTo(const Point3& p, RefFrame) override { return p; }
    Point3 VectorFrom(const Point3& p, RefFrame) override { return p; }
    FILE* DebugFile() override { return nullptr; }

private:
    // From the point away from the camera; without a camera, the direction
    // on the unit sphere that uv addresses in latitude-longitude.
    Point3 viewDirection() const;
};

} // namespace Nimbal
