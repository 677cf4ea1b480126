#include "host/UVGen.h"

#include <cmath>

#include "host/ClassDesc.h"

namespace {

class StdUVGenClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL) override { return new StdUVGen(); }
    const MCHAR* ClassName() override { return u"UVGen"; }
    const MCHAR* InternalName() override { return u"UVGen"; }
    SClass_ID SuperClassID() override { return UVGEN_CLASS_ID; }
    Class_ID ClassID() override { return UVGEN_CLASS_ID_2D; }
    const MCHAR* Category() override { return u""; }
};

StdUVGenClassDesc& Desc() {
    static StdUVGenClassDesc desc;
    return desc;
}

constexpr double BIG = 1.0e6;

ParamBlockDesc2& PbDesc() {
    static ParamBlockDesc2 pbd(
        BlockDesc{0, "coordinates", 0, &Desc(), P_AUTO_CONSTRUCT, 0, 0, {}},
        {
            {.id = StdUVGen::uOffset, .name = "uOffset", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
             .range = ParamRange{-BIG, BIG}},
            {.id = StdUVGen::vOffset, .name = "vOffset", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
             .range = ParamRange{-BIG, BIG}},
            {.id = StdUVGen::uTiling, .name = "uTiling", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
             .range = ParamRange{-BIG, BIG}},
            {.id = StdUVGen::vTiling, .name = "vTiling", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
             .range = ParamRange{-BIG, BIG}},
            {.id = StdUVGen::wAngle, .name = "wAngle", .type = TYPE_ANGLE, .flags = P_ANIMATABLE, .def = 0.0f,
             .range = ParamRange{-BIG, BIG}, .dim = DIM_ANGLE},
            {.id = StdUVGen::uTile, .name = "uTile", .type = TYPE_BOOL, .def = true},
            {.id = StdUVGen::vTile, .name = "vTile", .type = TYPE_BOOL, .def = true},
            {.id = StdUVGen::uMirror, .name = "uMirror", .type = TYPE_BOOL, .def = false},
            {.id = StdUVGen::vMirror, .name = "vMirror", .type = TYPE_BOOL, .def = false},
            {.id = StdUVGen::blur, .name = "blur", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
             .range = ParamRange{0.01, 100.0}},
            {.id = StdUVGen::mapChannel, .name = "mapChannel", .type = TYPE_INT, .def = 1, .range = ParamRange{1, 99}},
        });
    return pbd;
}

// Folds one coordinate into [0, 1]; false when it lies off an untiled map.
bool FoldAxis(float& t, bool tile, bool mirror) {
    if (!std::isfinite(t)) return false;
    if (mirror) {
        const float m = t - 2.0f * std::floor(t * 0.5f);
        t = m > 1.0f ? 2.0f - m : m;
        if (t < 0.0f) t = 0.0f;
        return true;
    }
    if (tile) {
        t -= std::floor(t);
        // A tiny negative value rounds up to 1 in float; it belongs to 0.
        if (t >= 1.0f) t = 0.0f;
        return true;
    }
    return t >= 0.0f && t <= 1.0f;
}

}  // namespace

float MapSampler::SampleMono(ShadeContext& sc, float u, float v) {
    const AColor c = Sample(sc, u, v);
    return (c.r + c.g + c.b) / 3.0f;
}

float MapSampler::SampleMonoFilter(ShadeContext& sc, float u, float v, float du, float dv) {
    const AColor c = SampleFilter(sc, u, v, du, dv);
    return (c.r + c.g + c.b) / 3.0f;
}

ClassDesc2* GetStdUVGenDesc() {
    PbDesc();
    return &Desc();
}

StdUVGen* GetNewDefaultUVGen() { return new StdUVGen(); }

StdUVGen::StdUVGen() {
    GetStdUVGenDesc()->MakeAutoParamBlocks(this);
    ReadParams(0, nullptr);
}

void StdUVGen::ReadParams(TimeValue t, Interval* valid) {
    if (!pblock) return;
    Interval iv = FOREVER;
    Cache c;
    pblock->GetValue(uOffset, t, c.uOffset, iv);
    pblock->GetValue(vOffset, t, c.vOffset, iv);
    pblock->GetValue(uTiling, t, c.uTiling, iv);
    pblock->GetValue(vTiling, t, c.vTiling, iv);
    float w = 0.0f;
    pblock->GetValue(wAngle, t, w, iv);
    c.cosW = std::cos(w);
    c.sinW = std::sin(w);
    int on = 0;
    pblock->GetValue(uTile, t, on, iv);
    c.uTile = on != 0;
    pblock->GetValue(vTile, t, on, iv);
    c.vTile = on != 0;
    pblock->GetValue(uMirror, t, on, iv);
    c.uMirror = on != 0;
    pblock->GetValue(vMirror, t, on, iv);
    c.vMirror = on != 0;
    pblock->GetValue(blur, t, c.blur, iv);
    pblock->GetValue(mapChannel, t, c.channel, iv);
    cache_ = c;
    lastTime_ = t;
    if (valid) *valid &= iv;
}

void StdUVGen::Update(TimeValue t, Interval& valid) { ReadParams(t, &valid); }

Interval StdUVGen::Validity(TimeValue t) {
    Interval valid = FOREVER;
    if (pblock) pblock->GetValidity(t, valid);
    return valid;
}

void StdUVGen::Reset() {
    GetStdUVGenDesc()->Reset(this, TRUE, TRUE);
    ReadParams(lastTime_, nullptr);
}

void StdUVGen::GetUV(ShadeContext& sc, Point3& uv, Point3& duv) {
    const Cache& c = cache_;
    const Point3 p = sc.UVW(c.channel);
    const Point3 d = sc.DUVW(c.channel);
    const float x = p.x - c.uOffset - 0.5f;
    const float y = p.y - c.vOffset - 0.5f;
    // Turning the lookup by -w about the centre turns the picture by +w;
    // tiling then repeats it from the square's corner, so n tiles show n
    // whole copies.
    const float rx = x * c.cosW + y * c.sinW + 0.5f;
    const float ry = -x * c.sinW + y * c.cosW + 0.5f;
    uv = Point3(rx * c.uTiling, ry * c.vTiling, p.z);
    const float footprint = std::fmax(std::fabs(d.x), std::fabs(d.y)) * c.blur;
    duv = Point3(footprint * std::fabs(c.uTiling), footprint * std::fabs(c.vTiling), d.z);
}

bool StdUVGen::Fold(float& u, float& v) const {
    const Cache& c = cache_;
    return FoldAxis(u, c.uTile, c.uMirror) && FoldAxis(v, c.vTile, c.vMirror);
}

AColor StdUVGen::EvalUVMap(ShadeContext& sc, MapSampler* sampler, BOOL filter) {
    if (!sampler) return AColor(0.0f, 0.0f, 0.0f, 0.0f);
    Point3 uv, duv;
    GetUV(sc, uv, duv);
    float u = uv.x, v = uv.y;
    if (!Fold(u, v)) return AColor(0.0f, 0.0f, 0.0f, 0.0f);
    return filter && sc.filterMaps ? sampler->SampleFilter(sc, u, v, duv.x, duv.y) : sampler->Sample(sc, u, v);
}

float StdUVGen::EvalUVMapMono(ShadeContext& sc, MapSampler* sampler, BOOL filter) {
    if (!sampler) return 0.0f;
    Point3 uv, duv;
    GetUV(sc, uv, duv);
    float u = uv.x, v = uv.y;
    if (!Fold(u, v)) return 0.0f;
    return filter && sc.filterMaps ? sampler->SampleMonoFilter(sc, u, v, duv.x, duv.y)
                                   : sampler->SampleMono(sc, u, v);
}

void StdUVGen::SetUScl(float v, TimeValue t) { if (pblock) pblock->SetValue(uTiling, t, v); }
void StdUVGen::SetVScl(float v, TimeValue t) { if (pblock) pblock->SetValue(vTiling, t, v); }
void StdUVGen::SetUOffs(float v, TimeValue t) { if (pblock) pblock->SetValue(uOffset, t, v); }
void StdUVGen::SetVOffs(float v, TimeValue t) { if (pblock) pblock->SetValue(vOffset, t, v); }
void StdUVGen::SetWAng(float v, TimeValue t) { if (pblock) pblock->SetValue(wAngle, t, v); }

RefResult StdUVGen::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    // Evaluation reads the cache only, so an edit refreshes it at once.
    if (message == REFMSG_CHANGE && hTarget == pblock) ReadParams(lastTime_, nullptr);
    return REF_SUCCEED;
}

RefTargetHandle StdUVGen::Clone(RemapDir& remap) {
    auto* copy = new StdUVGen();
    static_cast<MtlBase&>(*copy) = static_cast<const MtlBase&>(*this);
    if (pblock) copy->ReplaceReference(0, remap.CloneRef(pblock));
    copy->ReadParams(lastTime_, nullptr);
    BaseClone(this, copy, remap);
    return copy;
}
