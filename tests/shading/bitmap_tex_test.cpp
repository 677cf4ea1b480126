// The host's 2D coordinate generator, its bitmap map and the default preview
// of a map that has none of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "fixtures.h"

using shading_test::CapturingTexHandleMaker;
using shading_test::GammaScope;
using shading_test::ScratchDir;
using shading_test::WriteRgbaPng;

namespace {

// A point with a texture coordinate per channel.
class PointContext : public ShadeContext {
public:
    Point3 uvw, duvw;
    std::optional<Point3> channel3;
    Point3 UVW(int channel) override { return channel == 3 && channel3 ? *channel3 : uvw; }
    Point3 DUVW(int) override { return duvw; }
};

// Answers its coordinate as a colour and remembers how it was asked.
class EchoSampler : public MapSampler {
public:
    int plain = 0, filtered = 0;
    float du = -1.0f, dv = -1.0f;
    AColor Sample(ShadeContext&, float u, float v) override {
        ++plain;
        return AColor(u, v, 0.0f, 1.0f);
    }
    AColor SampleFilter(ShadeContext&, float u, float v, float fdu, float fdv) override {
        ++filtered;
        du = fdu;
        dv = fdv;
        return AColor(u, v, 0.0f, 1.0f);
    }
};

struct Coords {
    float uOffset = 0, vOffset = 0, uTiling = 1, vTiling = 1, angle = 0;
    bool uTile = true, vTile = true, uMirror = false, vMirror = false;
};

void Apply(StdUVGen& gen, const Coords& c) {
    IParamBlock2* pb = gen.pblock;
    pb->SetValue(StdUVGen::uOffset, 0, c.uOffset);
    pb->SetValue(StdUVGen::vOffset, 0, c.vOffset);
    pb->SetValue(StdUVGen::uTiling, 0, c.uTiling);
    pb->SetValue(StdUVGen::vTiling, 0, c.vTiling);
    pb->SetValue(StdUVGen::wAngle, 0, c.angle);
    pb->SetValue(StdUVGen::uTile, 0, c.uTile);
    pb->SetValue(StdUVGen::vTile, 0, c.vTile);
    pb->SetValue(StdUVGen::uMirror, 0, c.uMirror);
    pb->SetValue(StdUVGen::vMirror, 0, c.vMirror);
}

TEST(StdUVGen, OffsetRotationTilingAndFolding) {
    constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        Coords coords;
        Point3 uvw;
        std::optional<Point2> want;  // none: off the map
    } cases[] = {
        {"identity", {}, Point3(0.3f, 0.7f, 0), Point2(0.3f, 0.7f)},
        {"tiling from the corner", {.uTiling = 2, .vTiling = 2}, Point3(0.3f, 0.7f, 0), Point2(0.6f, 0.4f)},
        {"tiling wraps", {.uTiling = 2, .vTiling = 2}, Point3(0.8f, 0.2f, 0), Point2(0.6f, 0.4f)},
        {"offset moves the picture", {.uOffset = 0.25f}, Point3(0.3f, 0.7f, 0), Point2(0.05f, 0.7f)},
        {"offset then tiling", {.vOffset = 0.1f, .vTiling = 3}, Point3(0.5f, 0.5f, 0), Point2(0.5f, 0.2f)},
        {"quarter turn", {.angle = HALFPI}, Point3(0.75f, 0.5f, 0), Point2(0.5f, 0.25f)},
        {"untiled inside", {.uTile = false, .vTile = false}, Point3(0.5f, 0.5f, 0), Point2(0.5f, 0.5f)},
        {"untiled outside", {.uTile = false}, Point3(1.2f, 0.5f, 0), std::nullopt},
        {"untiled v outside", {.vTile = false}, Point3(0.5f, -0.01f, 0), std::nullopt},
        {"mirror", {.uTiling = 2, .uMirror = true}, Point3(0.8f, 0.5f, 0), Point2(0.4f, 0.5f)},
        {"mirror below zero", {.uMirror = true}, Point3(-0.2f, 0.5f, 0), Point2(0.2f, 0.5f)},
        {"not a number", {}, Point3(NaN, 0.5f, 0), std::nullopt},
    };
    for (const Case& c : cases) {
        StdUVGen gen;
        Apply(gen, c.coords);
        PointContext sc;
        sc.uvw = c.uvw;
        sc.filterMaps = FALSE;
        EchoSampler sampler;
        const AColor got = gen.EvalUVMap(sc, &sampler, TRUE);
        if (!c.want) {
            EXPECT_EQ(got, AColor(0.0f, 0.0f, 0.0f, 0.0f)) << c.name;
            EXPECT_EQ(sampler.plain + sampler.filtered, 0) << c.name;
            EXPECT_EQ(gen.EvalUVMapMono(sc, &sampler, TRUE), 0.0f) << c.name;
            continue;
        }
        EXPECT_NEAR(got.r, c.want->x, 1e-5f) << c.name;
        EXPECT_NEAR(got.g, c.want->y, 1e-5f) << c.name;
        EXPECT_EQ(sampler.plain, 1) << c.name;
    }
}

TEST(StdUVGen, FilteringFollowsTheCallAndTheContextWithTheFootprintScaled) {
    StdUVGen gen;
    gen.pblock->SetValue(StdUVGen::uTiling, 0, 4.0f);
    gen.pblock->SetValue(StdUVGen::blur, 0, 2.0f);
    PointContext sc;
    sc.uvw = Point3(0.5f, 0.5f, 0.0f);
    sc.duvw = Point3(0.01f, 0.005f, 0.0f);
    EchoSampler sampler;

    gen.EvalUVMap(sc, &sampler, TRUE);
    EXPECT_EQ(sampler.filtered, 1);
    EXPECT_FLOAT_EQ(sampler.du, 0.01f * 2.0f * 4.0f);
    EXPECT_FLOAT_EQ(sampler.dv, 0.01f * 2.0f);
    gen.EvalUVMap(sc, &sampler, FALSE);
    EXPECT_EQ(sampler.plain, 1);
    sc.filterMaps = FALSE;
    gen.EvalUVMap(sc, &sampler, TRUE);
    EXPECT_EQ(sampler.plain, 2);
    EXPECT_EQ(gen.EvalUVMap(sc, nullptr, TRUE), AColor(0.0f, 0.0f, 0.0f, 0.0f));
}

TEST(StdUVGen, ReadsItsMapChannelAndSeesEditsAtOnce) {
    StdUVGen gen;
    PointContext sc;
    sc.filterMaps = FALSE;
    sc.uvw = Point3(0.25f, 0.25f, 0.0f);
    sc.channel3 = Point3(0.75f, 0.5f, 0.0f);
    EchoSampler sampler;
    EXPECT_FLOAT_EQ(gen.EvalUVMap(sc, &sampler).r, 0.25f);
    gen.pblock->SetValue(StdUVGen::mapChannel, 0, 3);
    EXPECT_FLOAT_EQ(gen.EvalUVMap(sc, &sampler).r, 0.75f);
    gen.SetUScl(2.0f);
    EXPECT_FLOAT_EQ(gen.EvalUVMap(sc, &sampler).r, 0.5f);  // 0.75 -> 1.5 folds to 0.5
}

// A 2 x 2 picture: red, green over blue, white (8 bits, opaque).
std::string WriteQuad(const ScratchDir& dir, const std::string& name = "quad.png") {
    const std::string path = dir.File(name);
    WriteRgbaPng(path, 2, 2,
                 {{65535, 0, 0, 65535}, {0, 65535, 0, 65535}, {0, 0, 65535, 65535}, {65535, 65535, 65535, 65535}});
    return path;
}

BitmapTex* NewBitmapTex() {
    return static_cast<BitmapTex*>(
        static_cast<Animatable*>(ClassDirectory::Get().CreateInstance(TEXMAP_CLASS_ID, BMTEX_CLASS_ID)));
}

AColor At(BitmapTex& map, float u, float v) {
    PointContext sc;
    sc.uvw = Point3(u, v, 0.0f);
    return map.EvalColor(sc);
}

void ExpectColor(const AColor& got, const AColor& want, const std::string& what, float eps = 1e-5f) {
    EXPECT_NEAR(got.r, want.r, eps) << what;
    EXPECT_NEAR(got.g, want.g, eps) << what;
    EXPECT_NEAR(got.b, want.b, eps) << what;
    EXPECT_NEAR(got.a, want.a, eps) << what;
}

TEST(BitmapTex, IsABuiltInClassWithItsCoordinateGenerator) {
    RefHolder keep(NewBitmapTex());
    auto* map = dynamic_cast<BitmapTex*>(keep.Get());
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->ClassID(), Class_ID(0x240, 0));
    EXPECT_EQ(map->SuperClassID(), TEXMAP_CLASS_ID);
    ASSERT_NE(dynamic_cast<StdUVGen*>(map->GetTheUVGen()), nullptr);
    EXPECT_EQ(map->GetTheUVGen()->ClassID(), UVGEN_CLASS_ID_2D);
    ClassDesc* uvDesc = ClassDirectory::Get().FindClass(UVGEN_CLASS_ID, UVGEN_CLASS_ID_2D);
    ASSERT_NE(uvDesc, nullptr);
    RefHolder gen(static_cast<ReferenceTarget*>(static_cast<Animatable*>(uvDesc->Create(FALSE))));
    EXPECT_NE(dynamic_cast<StdUVGen*>(gen.Get()), nullptr);
    EXPECT_EQ(ClassDirectory::Get().FindClassByName(u"Bitmap")->ClassID(), BMTEX_CLASS_ID);
}

TEST(BitmapTex, SamplesTexelsBilinearlyOrNearestWithGammaOff) {
    GammaScope keep;
    gammaMgr.Enable(FALSE);
    ScratchDir dir("bmtex");
    RefHolder hold(NewBitmapTex());
    auto& map = *static_cast<BitmapTex*>(hold.Get());
    map.SetMapName(FromUtf8(WriteQuad(dir)).c_str());
    ASSERT_NE(map.GetBitmap(0), nullptr) << map.GetLoadError();
    EXPECT_EQ(map.GetBitmap(0)->GetBitmapInfo().GetEffectiveGamma(), 1.0f);

    struct Case {
        float u, v;
        AColor want;
    } centres[] = {
        {0.25f, 0.75f, AColor(1, 0, 0, 1)},
        {0.75f, 0.75f, AColor(0, 1, 0, 1)},
        {0.25f, 0.25f, AColor(0, 0, 1, 1)},
        {0.75f, 0.25f, AColor(1, 1, 1, 1)},
    };
    for (int filtering : {0, 1}) {
        map.pblock->SetValue(BitmapTex::filtering, 0, filtering);
        for (const Case& c : centres) ExpectColor(At(map, c.u, c.v), c.want, "texel centre");
    }
    map.pblock->SetValue(BitmapTex::filtering, 0, 0);
    ExpectColor(At(map, 0.5f, 0.5f), AColor(0.5f, 0.5f, 0.5f, 1.0f), "between all four");
    ExpectColor(At(map, 0.5f, 0.75f), AColor(0.5f, 0.5f, 0.0f, 1.0f), "between red and green");
    map.pblock->SetValue(BitmapTex::filtering, 0, 1);
    ExpectColor(At(map, 0.49f, 0.51f), AColor(1, 0, 0, 1), "nearest");
    PointContext blue;
    blue.uvw = Point3(0.25f, 0.25f, 0.0f);
    EXPECT_NEAR(map.EvalMono(blue), 1.0f / 3.0f, 1e-5f);
}

TEST(BitmapTex, DecodesWithTheEffectiveGamma) {
    GammaScope keep;
    ScratchDir dir("bmgamma");
    const std::string path = dir.File("grey.png");
    WriteRgbaPng(path, 1, 1, {{128 * 257, 64 * 257, 255 * 257, 128 * 257}});
    RefHolder hold(NewBitmapTex());
    auto& map = *static_cast<BitmapTex*>(hold.Get());
    struct Case {
        bool hostOn;
        bool overrideOn;
        float overrideGamma;
        float gamma;
    } cases[] = {{false, false, 1.0f, 1.0f}, {true, false, 1.0f, 2.2f}, {true, true, 1.0f, 1.0f},
                 {false, true, 1.8f, 1.8f}};
    map.SetMapName(FromUtf8(path).c_str());
    for (const Case& c : cases) {
        gammaMgr.Enable(c.hostOn);
        map.pblock->SetValue(BitmapTex::gammaOverride, 0, c.overrideOn);
        map.pblock->SetValue(BitmapTex::gamma, 0, c.overrideGamma);
        Interval valid = FOREVER;
        map.Update(0, valid);
        EXPECT_FLOAT_EQ(map.GetBitmap(0)->GetBitmapInfo().GetEffectiveGamma(), c.gamma);
        const AColor got = At(map, 0.5f, 0.5f);
        EXPECT_NEAR(got.r, std::pow(128.0f / 255.0f, c.gamma), 1e-5f) << c.gamma;
        EXPECT_NEAR(got.g, std::pow(64.0f / 255.0f, c.gamma), 1e-5f) << c.gamma;
        EXPECT_NEAR(got.b, 1.0f, 1e-6f);
        EXPECT_NEAR(got.a, 128.0f / 255.0f, 1e-6f);  // alpha is never decoded
    }
}

TEST(BitmapTex, TilesThroughItsCoordinates) {
    GammaScope keep;
    gammaMgr.Enable(FALSE);
    ScratchDir dir("bmtile");
    RefHolder hold(NewBitmapTex());
    auto& map = *static_cast<BitmapTex*>(hold.Get());
    map.SetMapName(FromUtf8(WriteQuad(dir)).c_str());
    map.pblock->SetValue(BitmapTex::filtering, 0, 1);
    auto* gen = static_cast<StdUVGen*>(map.GetTheUVGen());
    gen->SetUScl(2.0f);
    gen->SetVScl(2.0f);
    // Four copies: each quarter of the square shows the whole picture.
    struct Case {
        float u, v;
        AColor want;
    } cases[] = {
        {0.125f, 0.875f, AColor(1, 0, 0, 1)}, {0.375f, 0.875f, AColor(0, 1, 0, 1)},
        {0.625f, 0.875f, AColor(1, 0, 0, 1)}, {0.875f, 0.125f, AColor(1, 1, 1, 1)},
        {0.625f, 0.125f, AColor(0, 0, 1, 1)},
    };
    for (const Case& c : cases) ExpectColor(At(map, c.u, c.v), c.want, "tiled");
}

TEST(BitmapTex, AFileThatCannotBeLoadedLeavesNoBitmapAndAReason) {
    ScratchDir dir("bmbad");
    const std::string damaged = dir.File("damaged.png");
    {
        FILE* f = std::fopen(damaged.c_str(), "wb");
        std::fputs("\x89PNG\r\n\x1a\nthis is not a PNG stream", f);
        std::fclose(f);
    }
    RefHolder hold(NewBitmapTex());
    auto& map = *static_cast<BitmapTex*>(hold.Get());
    struct Case {
        std::string file;
        const char* reason;
    } cases[] = {{dir.File("missing.png"), "cannot open"}, {damaged, "damaged PNG data"}};
    for (const Case& c : cases) {
        map.SetMapName(FromUtf8(c.file).c_str());
        EXPECT_EQ(map.GetBitmap(0), nullptr) << c.file;
        EXPECT_NE(map.GetLoadError().find(c.reason), std::string::npos) << map.GetLoadError();
        EXPECT_EQ(At(map, 0.5f, 0.5f), AColor(0.0f, 0.0f, 0.0f, 0.0f));
    }
    map.SetMapName(FromUtf8(WriteQuad(dir)).c_str());
    EXPECT_NE(map.GetBitmap(0), nullptr);
    EXPECT_TRUE(map.GetLoadError().empty());
    map.SetMapName(u"");
    EXPECT_EQ(map.GetBitmap(0), nullptr);
    EXPECT_TRUE(map.GetLoadError().empty());
}

TEST(BitmapTex, ClonesAndScenesKeepPictureAndCoordinates) {
    GammaScope keep;
    gammaMgr.Enable(FALSE);
    ScratchDir dir("bmscene");
    const std::string png = WriteQuad(dir);
    Interface* ip = GetCOREInterface();
    ip->ResetScene();
    BitmapTex* map = NewBitmapTex();
    ip->AddToScene(map);
    map->SetMapName(FromUtf8(png).c_str());
    map->pblock->SetValue(BitmapTex::filtering, 0, 1);
    static_cast<StdUVGen*>(map->GetTheUVGen())->SetUScl(2.0f);

    RemapDir remap;
    RefHolder copyHold(remap.CloneRef(map));
    auto& copy = *static_cast<BitmapTex*>(copyHold.Get());
    EXPECT_NE(copy.GetTheUVGen(), map->GetTheUVGen());
    ExpectColor(At(copy, 0.375f, 0.75f), AColor(0, 1, 0, 1), "clone");

    // A bitmap handed over is copied, not shared.
    RefHolder handHold(NewBitmapTex());
    auto& handed = *static_cast<BitmapTex*>(handHold.Get());
    BitmapInfo bi;
    bi.SetWidth(1);
    bi.SetHeight(1);
    bi.SetType(BMM_FLOAT_RGBA_32);
    Bitmap* bm = TheManager->Create(&bi);
    const BMM_Color_fl yellow{1, 1, 0, 1};
    bm->PutPixels(0, 0, 1, &yellow);
    handed.SetBitmap(bm);
    RemapDir remap2;
    RefHolder handCopy(remap2.CloneRef(&handed));
    auto& handedCopy = *static_cast<BitmapTex*>(handCopy.Get());
    EXPECT_NE(handedCopy.GetBitmap(0), bm);
    ExpectColor(At(handedCopy, 0.3f, 0.3f), AColor(1, 1, 0, 1), "handed-over copy");

    const std::string scene = dir.File("bitmap.nscene");
    std::string error;
    ASSERT_TRUE(ip->SaveToFile(FromUtf8(scene), error)) << error;
    ip->ResetScene();
    ASSERT_TRUE(ip->LoadFromFile(FromUtf8(scene), error)) << error;
    BitmapTex* loaded = nullptr;
    for (int i = 0; i < ip->NumSceneObjects(); ++i)
        if (auto* m = dynamic_cast<BitmapTex*>(ip->GetSceneObject(i))) loaded = m;
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(ToUtf8(loaded->GetMapName()), png);
    Interval valid = FOREVER;
    loaded->Update(0, valid);
    ExpectColor(At(*loaded, 0.375f, 0.75f), AColor(0, 1, 0, 1), "loaded");
    ExpectColor(At(*loaded, 0.625f, 0.75f), AColor(1, 0, 0, 1), "loaded, second copy");
    ip->ResetScene();
}

// A map without a preview of its own: its colour is its coordinate.
class PlainMap : public Texmap {
public:
    int updates = 0;
    void Update(TimeValue, Interval&) override { ++updates; }
    AColor EvalColor(ShadeContext& sc) override {
        const Point3 uv = sc.UVW(0);
        return AColor(uv.x, uv.y, 2.0f, 1.0f);
    }
};

TEST(TexmapPreview, TheHostDefaultSamplesPixelCentresAtTheAskedSize) {
    PlainMap map;
    CapturingTexHandleMaker thmaker(4);
    Interval valid = FOREVER;
    BITMAPINFO* dib = map.GetVPDisplayDIB(0, thmaker, valid);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(map.updates, 1);
    EXPECT_EQ(thmaker.width, 4);
    EXPECT_EQ(thmaker.type, BMM_FLOAT_RGBA_32);
    EXPECT_EQ(dib->bmiHeader.biWidth, 4);
    const WORD eighth = static_cast<WORD>(std::lround(0.125 * 65535)), sevenEighths = static_cast<WORD>(std::lround(0.875 * 65535));
    EXPECT_EQ(thmaker.At(0, 0), (BMM_Color_64{eighth, sevenEighths, 65535, 65535}));
    EXPECT_EQ(thmaker.At(3, 3), (BMM_Color_64{sevenEighths, eighth, 65535, 65535}));
    FreeDIB(dib);

    // Mono previews are grey.
    dib = map.GetVPDisplayDIB(0, thmaker, valid, TRUE);
    const WORD grey = thmaker.At(0, 0).r;
    EXPECT_EQ(thmaker.At(0, 0), (BMM_Color_64{grey, grey, grey, 65535}));
    FreeDIB(dib);
}

TEST(TexmapPreview, ABitmapMapPreviewsItsPicture) {
    GammaScope keep;
    gammaMgr.Enable(FALSE);
    ScratchDir dir("bmpreview");
    RefHolder hold(NewBitmapTex());
    auto& map = *static_cast<BitmapTex*>(hold.Get());
    map.SetMapName(FromUtf8(WriteQuad(dir)).c_str());
    map.pblock->SetValue(BitmapTex::filtering, 0, 1);
    CapturingTexHandleMaker thmaker(4);
    Interval valid = FOREVER;
    FreeDIB(map.GetVPDisplayDIB(0, thmaker, valid));
    EXPECT_EQ(thmaker.At(0, 0), (BMM_Color_64{65535, 0, 0, 65535}));
    EXPECT_EQ(thmaker.At(3, 0), (BMM_Color_64{0, 65535, 0, 65535}));
    EXPECT_EQ(thmaker.At(0, 3), (BMM_Color_64{0, 0, 65535, 65535}));
    EXPECT_EQ(thmaker.At(3, 3), (BMM_Color_64{65535, 65535, 65535, 65535}));
}

}  // namespace
