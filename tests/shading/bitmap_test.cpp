// The host's bitmaps: pixel stores, the bitmap manager with its memory limit,
// PNG reading and writing, effective gamma, and the texture-handle maker.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <zlib.h>

#include "fixtures.h"

using shading_test::GammaScope;
using shading_test::ReadBytes;
using shading_test::ScratchDir;
using shading_test::WritePng;

namespace {

Bitmap* Make(int w, int h, int type, const MCHAR* name = u"test") {
    BitmapInfo bi;
    bi.SetWidth(w);
    bi.SetHeight(h);
    bi.SetType(type);
    bi.SetFlags(MAP_HAS_ALPHA);
    bi.SetName(name);
    return TheManager->Create(&bi);
}

TEST(Bitmap, PixelsRoundTripThroughEveryStore) {
    const BMM_Color_64 px[3] = {{0, 65535, 32768, 65535}, {257, 514, 1000, 0}, {65535, 65535, 65535, 65535}};
    struct Case {
        int type;
        bool exact16;
    } cases[] = {{BMM_TRUE_32, false}, {BMM_TRUE_64, true}, {BMM_FLOAT_RGBA_32, true}};
    for (const Case& c : cases) {
        Bitmap* bm = Make(4, 2, c.type);
        ASSERT_NE(bm, nullptr);
        EXPECT_EQ(bm->PutPixels(1, 1, 3, px), 1);
        BMM_Color_64 back[3];
        EXPECT_EQ(bm->GetPixels(1, 1, 3, back), 1);
        for (int i = 0; i < 3; ++i) {
            if (c.exact16) {
                EXPECT_EQ(back[i], px[i]) << c.type << " pixel " << i;
            } else {
                // Eight bits keep the high byte, rounded.
                EXPECT_NEAR(back[i].r, px[i].r, 128) << c.type << " pixel " << i;
                EXPECT_EQ(back[i].r % 257, 0);
            }
        }
        bm->DeleteThis();
    }
}

TEST(Bitmap, FloatWritesAreClampedInIntegerStoresAndKeptInFloatOnes) {
    const BMM_Color_fl px{2.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 0.5f};
    Bitmap* wide = Make(1, 1, BMM_TRUE_64);
    Bitmap* flt = Make(1, 1, BMM_FLOAT_RGBA_32);
    wide->PutPixels(0, 0, 1, &px);
    flt->PutPixels(0, 0, 1, &px);
    BMM_Color_64 w;
    wide->GetPixels(0, 0, 1, &w);
    EXPECT_EQ(w, (BMM_Color_64{65535, 0, 0, 32768}));
    BMM_Color_fl f;
    flt->GetPixels(0, 0, 1, &f);
    EXPECT_EQ(f.r, 2.0f);
    EXPECT_EQ(f.g, -1.0f);
    EXPECT_TRUE(std::isnan(f.b));
    // Reading 16 bits from a float store clamps as well.
    flt->GetPixels(0, 0, 1, &w);
    EXPECT_EQ(w, (BMM_Color_64{65535, 0, 0, 32768}));
    wide->DeleteThis();
    flt->DeleteThis();
}

// Each store converts both pixel kinds on the way in and out; the 8-bit
// store rounds to nearest and widens by 257.
TEST(Bitmap, EightBitStoreRoundsBothPixelKinds) {
    Bitmap* bm = Make(2, 1, BMM_TRUE_32);
    const BMM_Color_fl fl{0.5f, 1.0f, 0.0f, 0.2f};
    const BMM_Color_64 w{32896, 65535, 128, 13107};
    bm->PutPixels(0, 0, 1, &fl);
    bm->PutPixels(1, 0, 1, &w);
    const uint8_t* d = bm->Data8();
    ASSERT_NE(d, nullptr);
    const uint8_t expected[8] = {128, 255, 0, 51, 128, 255, 0, 51};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(d[i], expected[i]) << i;
    BMM_Color_fl backFl[2];
    BMM_Color_64 back64[2];
    bm->GetPixels(0, 0, 2, backFl);
    bm->GetPixels(0, 0, 2, back64);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(backFl[i], (BMM_Color_fl{128 * (1.0f / 255.0f), 1.0f, 0.0f, 51 * (1.0f / 255.0f)})) << i;
        EXPECT_EQ(back64[i], (BMM_Color_64{32896, 65535, 0, 13107})) << i;
    }
    bm->DeleteThis();
}

TEST(Bitmap, SpansAreCutAtTheRightEdgeAndRefusedOutside) {
    Bitmap* bm = Make(4, 2, BMM_TRUE_64);
    BMM_Color_64 px[8];
    for (auto& p : px) p = BMM_Color_64{1, 2, 3, 4};
    struct Case {
        int x, y, n, result;
    } cases[] = {{0, 0, 4, 1}, {2, 1, 8, 1}, {4, 0, 1, 0}, {-1, 0, 2, 0}, {0, 2, 1, 0}, {0, -1, 1, 0}, {0, 0, 0, 0}};
    for (const Case& c : cases) EXPECT_EQ(bm->PutPixels(c.x, c.y, c.n, px), c.result) << c.x << "," << c.y << "," << c.n;
    BMM_Color_64 back[4];
    bm->GetPixels(0, 1, 4, back);
    EXPECT_EQ(back[1], BMM_Color_64{});
    EXPECT_EQ(back[3], (BMM_Color_64{1, 2, 3, 4}));
    bm->DeleteThis();
}

TEST(BitmapManager, RefusesUnusableBitmapsAndKeepsToItsMemory) {
    struct Case {
        int w, h, type;
    } refused[] = {{0, 4, BMM_FLOAT_RGBA_32}, {4, -1, BMM_FLOAT_RGBA_32}, {4, 4, 99}, {65536, 1, BMM_TRUE_32}};
    const int live = TheManager->LiveBitmaps();
    for (const Case& c : refused) EXPECT_EQ(Make(c.w, c.h, c.type), nullptr) << c.w << "x" << c.h << " " << c.type;
    EXPECT_EQ(TheManager->LiveBitmaps(), live);

    const size_t limit = TheManager->MemoryLimit();
    const size_t used = TheManager->MemoryInUse();
    TheManager->SetMemoryLimit(used + 16 * 100);
    Bitmap* a = Make(10, 10, BMM_FLOAT_RGBA_32);  // exactly what is left
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(Make(1, 1, BMM_TRUE_32), nullptr);
    a->DeleteThis();
    Bitmap* b = Make(1, 1, BMM_TRUE_32);
    EXPECT_NE(b, nullptr);
    b->DeleteThis();
    TheManager->SetMemoryLimit(limit);
    EXPECT_EQ(TheManager->MemoryInUse(), used);
    EXPECT_EQ(TheManager->LiveBitmaps(), live);
}

// Pixels as read back in 16 bits, for the PNG forms below.
std::vector<BMM_Color_64> ReadAll(Bitmap* bm) {
    std::vector<BMM_Color_64> out(size_t(bm->Width()) * size_t(bm->Height()));
    for (int y = 0; y < bm->Height(); ++y) bm->GetPixels(0, y, bm->Width(), out.data() + size_t(y) * bm->Width());
    return out;
}

TEST(BitmapManager, ReadsEveryPngFormAsRgba) {
    ScratchDir dir("pngforms");
    const png_color pal[2] = {{255, 0, 0}, {0, 0, 255}};
    const png_color_16 grayKey{0, 0, 0, 0, 0};
    struct Case {
        const char* name;
        int colorType, depth;
        std::vector<std::vector<uint8_t>> rows;  // 2 x 1 pixels
        std::vector<png_color> palette;
        std::vector<uint8_t> trns;
        const png_color_16* trnsColor;
        bool interlace;
        int type;
        BMM_Color_64 left, right;
    } cases[] = {
        {"gray1", PNG_COLOR_TYPE_GRAY, 1, {{0x40}}, {}, {}, nullptr, false, BMM_TRUE_32,
         {0, 0, 0, 65535}, {65535, 65535, 65535, 65535}},
        {"gray8", PNG_COLOR_TYPE_GRAY, 8, {{0, 128}}, {}, {}, nullptr, false, BMM_TRUE_32,
         {0, 0, 0, 65535}, {32896, 32896, 32896, 65535}},
        {"gray8 with key", PNG_COLOR_TYPE_GRAY, 8, {{0, 255}}, {}, {}, &grayKey, false, BMM_TRUE_32,
         {0, 0, 0, 0}, {65535, 65535, 65535, 65535}},
        {"gray16", PNG_COLOR_TYPE_GRAY, 16, {{0x12, 0x34, 0xFF, 0xFF}}, {}, {}, nullptr, false, BMM_TRUE_64,
         {0x1234, 0x1234, 0x1234, 65535}, {65535, 65535, 65535, 65535}},
        {"gray alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{255, 0, 0, 255}}, {}, {}, nullptr, false, BMM_TRUE_32,
         {65535, 65535, 65535, 0}, {0, 0, 0, 65535}},
        {"palette", PNG_COLOR_TYPE_PALETTE, 8, {{0, 1}}, {pal[0], pal[1]}, {}, nullptr, false, BMM_TRUE_32,
         {65535, 0, 0, 65535}, {0, 0, 65535, 65535}},
        {"palette with alpha", PNG_COLOR_TYPE_PALETTE, 8, {{0, 1}}, {pal[0], pal[1]}, {128}, nullptr, false,
         BMM_TRUE_32, {65535, 0, 0, 32896}, {0, 0, 65535, 65535}},
        {"rgb8 interlaced", PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6}}, {}, {}, nullptr, true, BMM_TRUE_32,
         {257, 514, 771, 65535}, {1028, 1285, 1542, 65535}},
        {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, {{0, 1, 0, 2, 0, 3, 0, 4, 0xAB, 0xCD, 0, 0, 0xFF, 0xFF, 0x80, 0}},
         {}, {}, nullptr, false, BMM_TRUE_64, {1, 2, 3, 4}, {0xABCD, 0, 65535, 0x8000}},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("form.png");
        ASSERT_TRUE(WritePng(path, 2, 1, c.colorType, c.depth, c.rows, c.palette, c.trns, c.trnsColor, c.interlace))
            << c.name;
        BitmapInfo bi;
        bi.SetName(FromUtf8(path).c_str());
        BMMRES status = -1;
        std::string error;
        Bitmap* bm = TheManager->Load(&bi, &status, &error);
        ASSERT_NE(bm, nullptr) << c.name << ": " << error;
        EXPECT_EQ(status, BMMRES_SUCCESS);
        EXPECT_EQ(bm->Type(), c.type) << c.name;
        EXPECT_TRUE(bm->HasAlpha());
        EXPECT_EQ(bi.Width(), 2);
        EXPECT_EQ(bi.Height(), 1);
        const auto px = ReadAll(bm);
        EXPECT_EQ(px[0], c.left) << c.name;
        EXPECT_EQ(px[1], c.right) << c.name;
        bm->DeleteThis();
    }
}

TEST(BitmapManager, SavedPngsLoadBackWithEvery16BitValue) {
    ScratchDir dir("pngsave");
    Bitmap* bm = Make(3, 2, BMM_FLOAT_RGBA_32);
    const BMM_Color_64 px[6] = {{0, 1, 2, 3}, {65535, 65534, 32767, 32768}, {12345, 54321, 7, 65535},
                                {100, 200, 300, 400}, {0, 0, 0, 0}, {65535, 65535, 65535, 65535}};
    bm->PutPixels(0, 0, 3, px);
    bm->PutPixels(0, 1, 3, px + 3);
    const std::string path = dir.File("saved.png");
    std::string error;
    ASSERT_EQ(TheManager->Save(bm, FromUtf8(path).c_str(), 1.0f, &error), BMMRES_SUCCESS) << error;
    bm->DeleteThis();

    BitmapInfo bi;
    bi.SetName(FromUtf8(path).c_str());
    Bitmap* back = TheManager->Load(&bi);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Type(), BMM_TRUE_64);
    const auto got = ReadAll(back);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(got[i], px[i]) << i;
    back->DeleteThis();

    // Writing where no file can be made fails with a reason.
    Bitmap* small = Make(1, 1, BMM_TRUE_32);
    error.clear();
    EXPECT_EQ(TheManager->Save(small, u"/nonexistent-dir/x.png", 0.0f, &error), BMMRES_IOERROR);
    EXPECT_NE(error.find("/nonexistent-dir/x.png"), std::string::npos);
    small->DeleteThis();
}

TEST(BitmapManager, DamagedOrMissingFilesFailWithAReasonAndNoBitmap) {
    ScratchDir dir("pngbad");
    const std::string good = dir.File("good.png");
    ASSERT_TRUE(WritePng(good, 4, 4, PNG_COLOR_TYPE_RGB, 8,
                         std::vector<std::vector<uint8_t>>(4, std::vector<uint8_t>(12, 200))));
    const std::vector<uint8_t> bytes = ReadBytes(good);
    ASSERT_GT(bytes.size(), 60u);

    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        BMMRES status;
    };
    std::vector<Case> cases = {
        {"empty", {}, BMMRES_INVALIDFORMAT},
        {"not a PNG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, BMMRES_INVALIDFORMAT},
        {"signature only", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8), BMMRES_INVALIDFORMAT},
        {"cut in the header", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 20), BMMRES_INVALIDFORMAT},
        {"cut in the data", std::vector<uint8_t>(bytes.begin(), bytes.end() - 20), BMMRES_INVALIDFORMAT},
    };
    std::vector<uint8_t> badCrc = bytes;
    badCrc[29] ^= 0xFF;  // the header chunk's CRC
    cases.push_back({"header CRC", badCrc, BMMRES_INVALIDFORMAT});
    std::vector<uint8_t> huge = bytes;
    // 60000 x 60000 pixels claimed, with a CRC that matches.
    huge[16] = 0;
    huge[17] = 0;
    huge[18] = 0xEA;
    huge[19] = 0x60;
    huge[20] = 0;
    huge[21] = 0;
    huge[22] = 0xEA;
    huge[23] = 0x60;
    const uLong crc = crc32(crc32(0L, nullptr, 0), huge.data() + 12, 17);
    for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    cases.push_back({"too large", huge, BMMRES_MEMORYERROR});

    const int live = TheManager->LiveBitmaps();
    const size_t limit = TheManager->MemoryLimit();
    TheManager->SetMemoryLimit(size_t(64) << 20);
    for (const Case& c : cases) {
        BitmapInfo bi;
        BMMRES status = -1;
        std::string error;
        Bitmap* bm = TheManager->LoadFromMemory(c.data.data(), c.data.size(), &bi, &status, &error);
        EXPECT_EQ(bm, nullptr) << c.name;
        EXPECT_EQ(status, c.status) << c.name << ": " << error;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.name;
    }
    TheManager->SetMemoryLimit(limit);
    EXPECT_EQ(TheManager->LiveBitmaps(), live);

    BitmapInfo missing;
    missing.SetName(FromUtf8(dir.File("missing.png")).c_str());
    BMMRES status = -1;
    std::string error;
    EXPECT_EQ(TheManager->Load(&missing, &status, &error), nullptr);
    EXPECT_EQ(status, BMMRES_FILENOTFOUND);
    EXPECT_NE(error.find("missing.png"), std::string::npos);
}

TEST(BitmapInfo, EffectiveGammaFollowsOverrideFileKindAndHostSettings) {
    GammaScope keep;
    struct Case {
        const MCHAR* name;
        bool custom;
        float customGamma;
        bool hostOn;
        float fileIn;
        float want;
    } cases[] = {
        {u"a.png", false, 1.0f, true, 2.2f, 2.2f},
        {u"a.png", false, 1.0f, true, 1.8f, 1.8f},
        {u"a.png", false, 1.0f, false, 2.2f, 1.0f},
        {u"a.png", true, 1.0f, true, 2.2f, 1.0f},
        {u"a.png", true, 2.4f, false, 2.2f, 2.4f},
        {u"normal.EXR", false, 1.0f, true, 2.2f, 1.0f},
        {u"sky.hdr", false, 1.0f, true, 2.2f, 1.0f},
        {u"sky.hdr", true, 2.2f, true, 2.2f, 2.2f},
    };
    for (const Case& c : cases) {
        gammaMgr.Enable(c.hostOn);
        ASSERT_TRUE(gammaMgr.SetFileInGamma(c.fileIn));
        BitmapInfo bi;
        bi.SetName(c.name);
        if (c.custom) {
            ASSERT_TRUE(bi.SetCustomGamma(c.customGamma));
            bi.SetCustomFlag(BMM_CUSTOM_GAMMA);
        }
        EXPECT_FLOAT_EQ(bi.GetEffectiveGamma(), c.want) << ToUtf8(c.name);
    }
}

TEST(GammaMgr, RefusesGammasThatCannotBeUsed) {
    GammaScope keep;
    for (float bad : {0.0f, -2.2f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        EXPECT_FALSE(gammaMgr.SetDisplayGamma(bad));
        EXPECT_FALSE(gammaMgr.SetFileInGamma(bad));
        BitmapInfo bi;
        EXPECT_FALSE(bi.SetCustomGamma(bad));
        EXPECT_EQ(bi.GetCustomGamma(), 1.0f);
    }
    EXPECT_EQ(gammaMgr.GetDisplayGamma(), 2.2f);
    EXPECT_TRUE(gammaMgr.SetDisplayGamma(1.8f));
    EXPECT_EQ(gammaMgr.GetDisplayGamma(), 1.8f);
}

TEST(TexHandleMaker, DibsAreBottomUpBgraOfTheAskedSize) {
    GammaScope keep;
    gammaMgr.Enable(FALSE);
    Bitmap* bm = Make(4, 4, BMM_FLOAT_RGBA_32);
    // Top half red, bottom half blue; the alpha of the left half is 0.
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const BMM_Color_fl c = y < 2 ? BMM_Color_fl{1, 0, 0, x < 2 ? 0.0f : 1.0f} : BMM_Color_fl{0, 0, 1, 1};
            bm->PutPixels(x, y, 1, &c);
        }
    }
    StdTexHandleMaker maker(2);
    BITMAPINFO* dib = maker.BitmapToDIB(bm, U_WRAP | V_WRAP, 0);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->bmiHeader.biWidth, 2);
    EXPECT_EQ(dib->bmiHeader.biHeight, 2);
    EXPECT_EQ(dib->bmiHeader.biBitCount, 32);
    // The first stored row is the bottom of the picture.
    EXPECT_EQ(dib->bmiColors[0].rgbBlue, 255);
    EXPECT_EQ(dib->bmiColors[0].rgbRed, 0);
    const RGBQUAD* topLeft = DIBPixel(dib, 0, 0);
    EXPECT_EQ(topLeft->rgbRed, 255);
    EXPECT_EQ(topLeft->rgbReserved, 0);
    EXPECT_EQ(DIBPixel(dib, 1, 0)->rgbReserved, 255);
    EXPECT_EQ(DIBPixel(dib, 2, 0), nullptr);
    FreeDIB(dib);

    // Forced sizes win over Size(); a shrink averages, an enlargement repeats.
    dib = maker.BitmapToDIB(bm, 0, 0, 1, 8);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->bmiHeader.biWidth, 1);
    EXPECT_EQ(dib->bmiHeader.biHeight, 8);
    EXPECT_EQ(DIBPixel(dib, 0, 0)->rgbRed, 255);
    EXPECT_EQ(DIBPixel(dib, 0, 0)->rgbReserved, 128);
    EXPECT_EQ(DIBPixel(dib, 0, 7)->rgbBlue, 255);
    FreeDIB(dib);
    bm->DeleteThis();
}

TEST(TexHandleMaker, DisplayGammaIsAppliedWhenCorrectionIsOn) {
    GammaScope keep;
    Bitmap* bm = Make(1, 1, BMM_FLOAT_RGBA_32);
    const BMM_Color_fl c{0.25f, 0.0f, 1.0f, 0.25f};
    bm->PutPixels(0, 0, 1, &c);
    StdTexHandleMaker maker(1);
    struct Case {
        bool on;
        float gamma;
        BYTE red;
    } cases[] = {{false, 2.2f, 64}, {true, 2.2f, static_cast<BYTE>(std::lround(std::pow(0.25, 1 / 2.2) * 255))},
                 {true, 1.0f, 64}};
    for (const Case& k : cases) {
        gammaMgr.Enable(k.on);
        gammaMgr.SetDisplayGamma(k.gamma);
        BITMAPINFO* dib = maker.BitmapToDIB(bm, 0, 0);
        EXPECT_EQ(DIBPixel(dib, 0, 0)->rgbRed, k.red) << k.on << " " << k.gamma;
        EXPECT_EQ(DIBPixel(dib, 0, 0)->rgbReserved, 64);  // alpha is never corrected
        FreeDIB(dib);
    }
    bm->DeleteThis();
}

TEST(TexHandleMaker, HandlesOwnTheirDib) {
    StdTexHandleMaker maker(8);
    BITMAPINFO* dib = CreateDIB(8, 8);
    TexHandle* handle = maker.CreateHandle(dib);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->GetHandle(), reinterpret_cast<DWORD_PTR>(dib));
    handle->DeleteThis();
    EXPECT_EQ(maker.CreateHandle(static_cast<BITMAPINFO*>(nullptr)), nullptr);
    EXPECT_EQ(CreateDIB(0, 4), nullptr);
    EXPECT_EQ(CreateDIB(100000, 4), nullptr);
}

}  // namespace
