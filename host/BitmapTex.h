// The host's bitmap map (Class_ID BMTEX_CLASS_ID): a PNG file shown through a
// 2D coordinate generator, its values decoded with the bitmap's effective
// gamma.
#pragma once

#include <string>
#include <vector>

#include "host/Bitmap.h"
#include "host/UVGen.h"

class ClassDirectory;

class BitmapTex : public SingleBlockOwner<Texmap> {
public:
    enum ParamIds : ParamID {
        filename = 0,
        coords = 1,         // the StdUVGen
        filtering = 2,      // 0 bilinear, 1 nearest texel
        gammaOverride = 3,  // decode with "gamma" instead of the automatic gamma
        gamma = 4,
    };

    BitmapTex();
    ~BitmapTex() override;

    Class_ID ClassID() override { return BMTEX_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"Bitmap"; }

    // The file name parameter. Setting it loads the file at once; a file that
    // cannot be loaded leaves the map without a bitmap and GetLoadError()
    // saying why.
    const MCHAR* GetMapName();
    void SetMapName(const MCHAR* name);
    // The loaded bitmap, loading it first if the file name changed; null
    // when there is none.
    Bitmap* GetBitmap(TimeValue t);
    // Shows a bitmap made elsewhere (the map takes it over) until the file
    // name changes.
    void SetBitmap(Bitmap* bm);
    // Loads the file again; false when it cannot be loaded.
    bool ReloadBitmap();
    const std::string& GetLoadError() const { return loadError_; }
    UVGen* GetTheUVGen();

    void Update(TimeValue t, Interval& valid) override;
    Interval Validity(TimeValue t) override;
    void Reset() override;
    AColor EvalColor(ShadeContext& sc) override;
    float EvalMono(ShadeContext& sc) override;

    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                               BOOL propagate) override;
    RefTargetHandle Clone(RemapDir& remap) override;

private:
    class Sampler : public MapSampler {
    public:
        explicit Sampler(BitmapTex& map) : map_(map) {}
        AColor Sample(ShadeContext& sc, float u, float v) override;
        AColor SampleFilter(ShadeContext& sc, float u, float v, float du, float dv) override;

    private:
        BitmapTex& map_;
    };

    // Loads when the file name differs from what was loaded last.
    void LoadIfChanged();
    bool LoadFile(const MSTR& name);
    void DropBitmap();
    // The decoding table for the bitmap's sample size and effective gamma.
    void ApplyGamma();
    AColor Texel(int x, int y) const;
    AColor Bilinear(float u, float v) const;

    Bitmap* bm_ = nullptr;
    MSTR loadedName_;
    bool loaded_ = false;  // loadedName_ was tried
    std::string loadError_;
    std::vector<float> lut_;  // sample value -> linear value
    int filter_ = 0;
    Sampler sampler_{*this};
};

// Registers the 2D coordinate generator and the bitmap map.
void RegisterBitmapClasses(ClassDirectory& directory);
