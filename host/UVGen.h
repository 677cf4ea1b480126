// Texture coordinates for 2D maps: the map sampler a map supplies, and the
// host's 2D coordinate generator that takes a shading point's UVW, applies
// offset, rotation about the centre and tiling (with tile and mirror
// switches per axis) and calls the sampler:
//   (x, y) = rotate(uvw - offset - (0.5, 0.5), -wAngle) + (0.5, 0.5)
//   (u, v) = (x * uTiling, y * vTiling), folded into [0, 1]
#pragma once

#include "host/Objects.h"
#include "host/ParamBlock.h"
#include "host/ShadeContext.h"

class ClassDesc2;

// What a 2D map samples at a texture coordinate. u and v arrive in [0, 1]
// once the generator has applied tiling; du and dv are the footprint.
class MapSampler {
public:
    virtual ~MapSampler() = default;
    virtual AColor Sample(ShadeContext& sc, float u, float v) = 0;
    virtual AColor SampleFilter(ShadeContext& sc, float u, float v, float du, float dv) = 0;
    virtual float SampleMono(ShadeContext& sc, float u, float v);
    virtual float SampleMonoFilter(ShadeContext& sc, float u, float v, float du, float dv);
};

class UVGen : public MtlBase {
public:
    SClass_ID SuperClassID() override { return UVGEN_CLASS_ID; }

    // The coordinate and its footprint after the generator's transform,
    // before tiling folds it into [0, 1].
    virtual void GetUV(ShadeContext& sc, Point3& uv, Point3& duv) = 0;
    // The sampler's colour at the shading point; transparent black where
    // the map is not tiled and the point lies outside it.
    virtual AColor EvalUVMap(ShadeContext& sc, MapSampler* sampler, BOOL filter = TRUE) = 0;
    virtual float EvalUVMapMono(ShadeContext& sc, MapSampler* sampler, BOOL filter = TRUE) = 0;
};

// The host's 2D coordinate generator, Class_ID UVGEN_CLASS_ID_2D.
class StdUVGen : public SingleBlockOwner<UVGen> {
public:
    enum ParamIds : ParamID {
        uOffset = 0,
        vOffset = 1,
        uTiling = 2,
        vTiling = 3,
        wAngle = 4,  // rotation of the map about its centre, radians
        uTile = 5,
        vTile = 6,
        uMirror = 7,
        vMirror = 8,
        blur = 9,  // scales the filter footprint
        mapChannel = 10,
    };

    StdUVGen();

    Class_ID ClassID() override { return UVGEN_CLASS_ID_2D; }
    void GetClassName(MSTR& s) const override { s = u"UVGen"; }

    // Reads the parameters at t. Evaluation uses what was read last, so it
    // never touches the parameter block.
    void Update(TimeValue t, Interval& valid) override;
    Interval Validity(TimeValue t) override;
    void Reset() override;

    void GetUV(ShadeContext& sc, Point3& uv, Point3& duv) override;
    AColor EvalUVMap(ShadeContext& sc, MapSampler* sampler, BOOL filter = TRUE) override;
    float EvalUVMapMono(ShadeContext& sc, MapSampler* sampler, BOOL filter = TRUE) override;

    // Convenience setters that write the parameter block at time 0.
    void SetUScl(float v, TimeValue t = 0);
    void SetVScl(float v, TimeValue t = 0);
    void SetUOffs(float v, TimeValue t = 0);
    void SetVOffs(float v, TimeValue t = 0);
    void SetWAng(float v, TimeValue t = 0);

    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                               BOOL propagate) override;
    RefTargetHandle Clone(RemapDir& remap) override;

private:
    // Where (u, v) lands on the map: false outside an untiled map.
    bool Fold(float& u, float& v) const;
    void ReadParams(TimeValue t, Interval* valid);

    struct Cache {
        float uOffset = 0.0f, vOffset = 0.0f;
        float uTiling = 1.0f, vTiling = 1.0f;
        float cosW = 1.0f, sinW = 0.0f;
        bool uTile = true, vTile = true, uMirror = false, vMirror = false;
        float blur = 1.0f;
        int channel = 1;
    } cache_;
    TimeValue lastTime_ = 0;
};

StdUVGen* GetNewDefaultUVGen();
ClassDesc2* GetStdUVGenDesc();
