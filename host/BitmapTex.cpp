#include "host/BitmapTex.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/ClassDesc.h"
#include "host/Gamma.h"
#include "host/Interface.h"

namespace {

class BitmapTexClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 1; }
    void* Create(BOOL) override { return new BitmapTex(); }
    const MCHAR* ClassName() override { return u"Bitmap"; }
    const MCHAR* InternalName() override { return u"Bitmap"; }
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
    Class_ID ClassID() override { return BMTEX_CLASS_ID; }
    const MCHAR* Category() override { return TEXMAP_CAT_2D; }
};

BitmapTexClassDesc& Desc() {
    static BitmapTexClassDesc desc;
    return desc;
}

ParamBlockDesc2& PbDesc() {
    static ParamBlockDesc2 pbd(
        BlockDesc{0, "bitmapTex", 0, &Desc(), P_AUTO_CONSTRUCT, 0, 0, {}},
        {
            {.id = BitmapTex::filename, .name = "filename", .type = TYPE_FILENAME, .def = u""},
            {.id = BitmapTex::coords, .name = "coords", .type = TYPE_REFTARG},
            {.id = BitmapTex::filtering, .name = "filtering", .type = TYPE_INT, .def = 0, .range = ParamRange{0, 1},
             .ui = {TYPE_RADIO, {1, 2}, 0.0f, {{0, 0}, {0, 1}}}},
            {.id = BitmapTex::gammaOverride, .name = "gammaOverride", .type = TYPE_BOOL, .def = false},
            {.id = BitmapTex::gamma, .name = "gamma", .type = TYPE_FLOAT, .def = 1.0f, .range = ParamRange{0.01, 10.0}},
        });
    return pbd;
}

ClassDesc2* BitmapTexDesc() {
    PbDesc();
    return &Desc();
}

// A private copy, for clones of maps that show a bitmap made elsewhere.
Bitmap* CopyBitmap(const Bitmap* from) {
    BitmapInfo bi = from->GetBitmapInfo();
    Bitmap* to = TheManager->Create(&bi);
    if (!to) return nullptr;
    const size_t n = size_t(from->Width()) * size_t(from->Height()) * 4;
    if (from->Data8()) std::memcpy(to->Data8(), from->Data8(), n);
    else if (from->Data16()) std::memcpy(to->Data16(), from->Data16(), n * 2);
    else if (from->DataFloat()) std::memcpy(to->DataFloat(), from->DataFloat(), n * 4);
    return to;
}

int Wrap(int i, int n) {
    const int m = i % n;
    return m < 0 ? m + n : m;
}

}  // namespace

void RegisterBitmapClasses(ClassDirectory& directory) {
    directory.AddClass(GetStdUVGenDesc());
    directory.AddClass(BitmapTexDesc());
}

BitmapTex::BitmapTex() {
    BitmapTexDesc()->MakeAutoParamBlocks(this);
    if (pblock) pblock->SetValue(coords, 0, static_cast<ReferenceTarget*>(GetNewDefaultUVGen()));
}

BitmapTex::~BitmapTex() { DropBitmap(); }

void BitmapTex::DropBitmap() {
    if (bm_) bm_->DeleteThis();
    bm_ = nullptr;
    lut_.clear();
}

const MCHAR* BitmapTex::GetMapName() {
    const MCHAR* name = pblock ? pblock->GetStr(filename, 0) : nullptr;
    return name ? name : u"";
}

void BitmapTex::SetMapName(const MCHAR* name) {
    if (pblock) pblock->SetValue(filename, 0, name ? name : u"");
}

UVGen* BitmapTex::GetTheUVGen() {
    return pblock ? dynamic_cast<UVGen*>(pblock->GetReferenceTarget(coords, 0)) : nullptr;
}

bool BitmapTex::LoadFile(const MSTR& name) {
    DropBitmap();
    loadedName_ = name;
    loaded_ = true;
    loadError_.clear();
    if (name.empty()) return false;
    MSTR path = name;
    // A file that moved is looked up where the scene's files are.
    GetCOREInterface()->GetFullFilePath(path);
    BitmapInfo bi;
    bi.SetName(path.c_str());
    BMMRES status = BMMRES_SUCCESS;
    bm_ = TheManager->Load(&bi, &status, &loadError_);
    if (!bm_) return false;
    ApplyGamma();
    return true;
}

void BitmapTex::LoadIfChanged() {
    const MSTR name = GetMapName();
    if (!loaded_ || name != loadedName_) LoadFile(name);
}

bool BitmapTex::ReloadBitmap() { return LoadFile(GetMapName()); }

Bitmap* BitmapTex::GetBitmap(TimeValue) {
    LoadIfChanged();
    return bm_;
}

void BitmapTex::SetBitmap(Bitmap* bm) {
    DropBitmap();
    bm_ = bm;
    loadedName_ = GetMapName();
    loaded_ = true;
    loadError_.clear();
    if (bm_) ApplyGamma();
}

void BitmapTex::ApplyGamma() {
    if (!bm_ || !pblock) return;
    BitmapInfo& bi = bm_->GetBitmapInfo();
    if (pblock->GetInt(gammaOverride, 0) && bi.SetCustomGamma(pblock->GetFloat(gamma, 0)))
        bi.SetCustomFlag(bi.GetCustomFlags() | BMM_CUSTOM_GAMMA);
    else
        bi.ResetCustomFlag(BMM_CUSTOM_GAMMA);
    filter_ = pblock->GetInt(filtering, 0);
    if (bm_->DataFloat()) {
        lut_.clear();  // float bitmaps hold linear values already
        return;
    }
    const size_t n = bm_->Data16() ? 65536 : 256;
    const float g = bi.GetEffectiveGamma();
    lut_.resize(n);
    const float top = static_cast<float>(n - 1);
    for (size_t i = 0; i < n; ++i) {
        const float x = static_cast<float>(i) / top;
        lut_[i] = g == 1.0f ? x : std::pow(x, g);
    }
}

void BitmapTex::Update(TimeValue t, Interval& valid) {
    LoadIfChanged();
    // The host's gamma settings may have changed since the last frame.
    ApplyGamma();
    if (UVGen* uv = GetTheUVGen()) uv->Update(t, valid);
    valid &= Validity(t);
}

Interval BitmapTex::Validity(TimeValue t) {
    Interval valid = FOREVER;
    if (pblock) pblock->GetValidity(t, valid);
    if (UVGen* uv = GetTheUVGen()) valid &= uv->Validity(t);
    return valid;
}

void BitmapTex::Reset() {
    BitmapTexDesc()->Reset(this, TRUE, TRUE);
    if (pblock && !GetTheUVGen()) pblock->SetValue(coords, 0, static_cast<ReferenceTarget*>(GetNewDefaultUVGen()));
    else if (UVGen* uv = GetTheUVGen()) uv->Reset();
}

AColor BitmapTex::Texel(int x, int y) const {
    const size_t i = (size_t(y) * size_t(bm_->Width()) + size_t(x)) * 4;
    if (const uint8_t* d = bm_->Data8()) return AColor(lut_[d[i]], lut_[d[i + 1]], lut_[d[i + 2]], d[i + 3] / 255.0f);
    if (const uint16_t* d = bm_->Data16())
        return AColor(lut_[d[i]], lut_[d[i + 1]], lut_[d[i + 2]], d[i + 3] / 65535.0f);
    const float* d = bm_->DataFloat();
    return AColor(d[i], d[i + 1], d[i + 2], d[i + 3]);
}

AColor BitmapTex::Bilinear(float u, float v) const {
    const int w = bm_->Width(), h = bm_->Height();
    // Texel centres sit at half-integers; row 0 is the top of the picture.
    const float fx = u * static_cast<float>(w) - 0.5f;
    const float fy = (1.0f - v) * static_cast<float>(h) - 0.5f;
    if (filter_ == 1) {
        const int x = std::clamp(static_cast<int>(std::floor(fx + 0.5f)), 0, w - 1);
        const int y = std::clamp(static_cast<int>(std::floor(fy + 0.5f)), 0, h - 1);
        return Texel(x, y);
    }
    const float x0f = std::floor(fx), y0f = std::floor(fy);
    const float tx = fx - x0f, ty = fy - y0f;
    const int x0 = Wrap(static_cast<int>(x0f), w), x1 = Wrap(static_cast<int>(x0f) + 1, w);
    const int y0 = Wrap(static_cast<int>(y0f), h), y1 = Wrap(static_cast<int>(y0f) + 1, h);
    const AColor a = Texel(x0, y0), b = Texel(x1, y0), c = Texel(x0, y1), d = Texel(x1, y1);
    return (a * (1.0f - tx) + b * tx) * (1.0f - ty) + (c * (1.0f - tx) + d * tx) * ty;
}

AColor BitmapTex::Sampler::Sample(ShadeContext&, float u, float v) {
    if (!map_.bm_) return AColor(0.0f, 0.0f, 0.0f, 0.0f);
    return map_.Bilinear(u, v);
}

AColor BitmapTex::Sampler::SampleFilter(ShadeContext& sc, float u, float v, float du, float dv) {
    if (!map_.bm_) return AColor(0.0f, 0.0f, 0.0f, 0.0f);
    // A footprint wider than a texel is averaged over a small grid.
    const float texels = std::fmax(du * static_cast<float>(map_.bm_->Width()), dv * static_cast<float>(map_.bm_->Height()));
    if (!(texels > 1.0f)) return Sample(sc, u, v);
    const int n = std::min(8, static_cast<int>(std::ceil(texels)));
    AColor sum(0.0f, 0.0f, 0.0f, 0.0f);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            float su = u + du * ((static_cast<float>(i) + 0.5f) / static_cast<float>(n) - 0.5f);
            float sv = v + dv * ((static_cast<float>(j) + 0.5f) / static_cast<float>(n) - 0.5f);
            su -= std::floor(su);
            sv -= std::floor(sv);
            sum += map_.Bilinear(su, sv);
        }
    }
    return sum * (1.0f / static_cast<float>(n * n));
}

AColor BitmapTex::EvalColor(ShadeContext& sc) {
    UVGen* uv = bm_ ? GetTheUVGen() : nullptr;
    return uv ? uv->EvalUVMap(sc, &sampler_, TRUE) : AColor(0.0f, 0.0f, 0.0f, 0.0f);
}

float BitmapTex::EvalMono(ShadeContext& sc) {
    UVGen* uv = bm_ ? GetTheUVGen() : nullptr;
    return uv ? uv->EvalUVMapMono(sc, &sampler_, TRUE) : 0.0f;
}

RefResult BitmapTex::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    if (message != REFMSG_CHANGE || hTarget != pblock || !pblock) return REF_SUCCEED;
    const ParamID changed = pblock->LastNotifyParamID();
    if (changed == filename) LoadIfChanged();
    else if (changed == gammaOverride || changed == gamma || changed == filtering) ApplyGamma();
    return REF_SUCCEED;
}

RefTargetHandle BitmapTex::Clone(RemapDir& remap) {
    auto* copy = new BitmapTex();
    static_cast<MtlBase&>(*copy) = static_cast<const MtlBase&>(*this);
    if (pblock) copy->ReplaceReference(0, remap.CloneRef(pblock));
    // A bitmap that came from a file is read again by the copy; one that was
    // handed over is copied.
    if (bm_ && loadedName_ == GetMapName() && !loadedName_.empty()) copy->LoadIfChanged();
    else if (bm_) copy->SetBitmap(CopyBitmap(bm_));
    BaseClone(this, copy, remap);
    return copy;
}
