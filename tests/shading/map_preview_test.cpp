// The map preview procedure shared by the maps that draw their own viewport
// image: grid, size, 16-bit conversion, context, buffers and failure.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>

#include "core-interface/Exception.h"
#include "core-interface/Memory.h"
#include "fixtures.h"
#include "shading/MapPreview.h"

using shading_test::CapturingTexHandleMaker;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// A map that records how it is asked and answers with a given colour.
class ProbeMap : public Texmap {
public:
    std::function<AColor(ShadeContext&)> color = [](ShadeContext&) { return AColor(0.0f, 0.0f, 0.0f, 1.0f); };
    int updates = 0;
    int evals = 0;
    int evalsBeforeUpdate = 0;
    Point3 first, last;
    bool positionFollowsUvw = true;
    bool cameraAboveEveryPoint = true;
    int64_t allocationsSeen = -1;

    void Update(TimeValue, Interval& valid) override {
        ++updates;
        valid &= Interval(0, 100);
    }
    AColor EvalColor(ShadeContext& sc) override {
        if (updates == 0) ++evalsBeforeUpdate;
        const Point3 uvw = sc.UVW(0);
        if (evals == 0) {
            first = uvw;
            allocationsSeen = Nimbal::liveAllocations();
        }
        last = uvw;
        ++evals;
        if (!(sc.P() == uvw)) positionFollowsUvw = false;
        if (!(sc.CamPos() == uvw + Point3(0.0f, 0.0f, 1.0f))) cameraAboveEveryPoint = false;
        return color(sc);
    }
};

BITMAPINFO* Preview(ProbeMap& map, TexHandleMaker& thmaker, int forceW = 0, int forceH = 0) {
    Interval valid = FOREVER;
    return NIMBAL_MAP_PREVIEW(map, 160, thmaker, valid, forceW, forceH, u"ProbeTemp");
}

TEST(MapPreview, SmallRequestsStillSampleAtLeast1024Pixels) {
    struct Case {
        int asked, sampled;
    } cases[] = {{64, 1024}, {1, 1024}, {1024, 1024}, {1100, 1100}};
    for (const Case& c : cases) {
        ProbeMap map;
        CapturingTexHandleMaker thmaker(c.asked);
        BITMAPINFO* dib = Preview(map, thmaker);
        ASSERT_NE(dib, nullptr);
        EXPECT_EQ(thmaker.width, c.sampled);
        EXPECT_EQ(thmaker.height, c.sampled);
        EXPECT_EQ(map.evals, c.sampled * c.sampled);
        // The DIB has the size the viewport asked for.
        EXPECT_EQ(dib->bmiHeader.biWidth, c.asked);
        EXPECT_EQ(dib->bmiHeader.biHeight, c.asked);
        FreeDIB(dib);
    }
}

TEST(MapPreview, DescribesAFloatBitmapNamedByTheMapAndConvertsItWithTheGivenSizes) {
    ProbeMap map;
    CapturingTexHandleMaker thmaker(64);
    BITMAPINFO* dib = Preview(map, thmaker, 32, 16);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(thmaker.calls, 1);
    EXPECT_EQ(thmaker.type, BMM_FLOAT_RGBA_32);
    EXPECT_EQ(thmaker.type, 17);
    EXPECT_TRUE(thmaker.hasAlpha);
    EXPECT_EQ(thmaker.name, "ProbeTemp");
    EXPECT_EQ(thmaker.symflags, 3);
    EXPECT_EQ(thmaker.extraFlags, 0);
    EXPECT_EQ(thmaker.forceW, 32);
    EXPECT_EQ(thmaker.forceH, 16);
    EXPECT_EQ(dib->bmiHeader.biWidth, 32);
    EXPECT_EQ(dib->bmiHeader.biHeight, 16);
    FreeDIB(dib);
}

TEST(MapPreview, UpdatesFirstThenSamplesUFromZeroAndVAtPixelCentres) {
    ProbeMap map;
    CapturingTexHandleMaker thmaker(64);
    Interval valid = FOREVER;
    BITMAPINFO* dib = NIMBAL_MAP_PREVIEW(map, 160, thmaker, valid, 0, 0, u"ProbeTemp");
    FreeDIB(dib);
    EXPECT_EQ(map.updates, 1);
    EXPECT_EQ(map.evalsBeforeUpdate, 0);
    // Update narrows the caller's validity.
    EXPECT_EQ(valid, Interval(0, 100));
    EXPECT_EQ(map.first, Point3(0.0f, 1.0f - 1.0f / 2048.0f, 0.0f));
    EXPECT_EQ(map.last, Point3(1023.0f / 1024.0f, 1.0f / 2048.0f, 0.0f));
    EXPECT_TRUE(map.positionFollowsUvw);
}

TEST(MapPreview, PixelsRecordTheirOwnUvTopRowFirst) {
    ProbeMap map;
    map.color = [](ShadeContext& sc) {
        const Point3 uv = sc.UVW(0);
        return AColor(uv.x, uv.y, 0.0f, 1.0f);
    };
    CapturingTexHandleMaker thmaker(64);
    FreeDIB(Preview(map, thmaker));
    struct Case {
        int x, y;
        float u, v;
    } cases[] = {
        {0, 0, 0.0f, 1.0f - 1.0f / 2048.0f},
        {1023, 0, 1023.0f / 1024.0f, 1.0f - 1.0f / 2048.0f},
        {0, 1023, 0.0f, 1.0f / 2048.0f},
        {1023, 1023, 1023.0f / 1024.0f, 1.0f / 2048.0f},
        {512, 512, 0.5f, 0.5f - 1.0f / 2048.0f},
    };
    for (const Case& c : cases) {
        const BMM_Color_64& p = thmaker.At(c.x, c.y);
        EXPECT_EQ(p.r, static_cast<WORD>(c.u * 65535.0f)) << c.x << ", " << c.y;
        EXPECT_EQ(p.g, static_cast<WORD>(c.v * 65535.0f)) << c.x << ", " << c.y;
        EXPECT_EQ(p.a, 65535);
    }
}

TEST(MapPreview, ColoursAreClampedAndTruncatedTo16Bits) {
    struct Case {
        AColor color;
        BMM_Color_64 want;
    } cases[] = {
        {AColor(2.0f, -1.0f, 0.5f, 1.5f), {65535, 0, 32767, 65535}},
        {AColor(0.25f, 1.0f, 0.0f, 0.0f), {16383, 65535, 0, 0}},
        {AColor(0.0001f, 0.99999f, -0.0f, 0.5f), {6, 65534, 0, 32767}},
        // NaN cannot be clamped; it is written as 0 rather than left to chance.
        {AColor(NaN, NaN, 1.0f, NaN), {0, 0, 65535, 0}},
        {AColor(std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 0.0f, 1.0f),
         {65535, 0, 0, 65535}},
    };
    for (const Case& c : cases) {
        ProbeMap map;
        map.color = [&](ShadeContext&) { return c.color; };
        CapturingTexHandleMaker thmaker(64);
        FreeDIB(Preview(map, thmaker));
        for (auto [x, y] : {std::pair{0, 0}, std::pair{1023, 1023}, std::pair{400, 7}}) {
            EXPECT_EQ(thmaker.At(x, y), c.want) << c.color.r << ", " << c.color.g << ", " << c.color.b << ", "
                                                << c.color.a << " at " << x << ", " << y;
        }
    }
}

TEST(MapPreview, ContextHasNoCameraSoTheEyeIsAboveThePointAndVIsLatLong) {
    ProbeMap map;
    Point3 viewAtQuarter(9.0f, 9.0f, 9.0f);
    Point3 normalSeen;
    TimeValue timeSeen = -1;
    map.color = [&](ShadeContext& sc) {
        const Point3 uv = sc.UVW(0);
        // Column 256 is u = 0.25; row 511 is v = 0.5 + 1/2048.
        if (uv.x == 0.25f && std::fabs(uv.y - 0.5f) < 1.0f / 1024.0f) viewAtQuarter = sc.V();
        normalSeen = sc.Normal();
        timeSeen = sc.CurTime();
        return AColor(0.0f, 0.0f, 0.0f, 1.0f);
    };
    CapturingTexHandleMaker thmaker(64);
    FreeDIB(Preview(map, thmaker));
    EXPECT_TRUE(map.cameraAboveEveryPoint);
    EXPECT_TRUE(viewAtQuarter.Equals(Point3(0.0f, 1.0f, 0.0f), 1e-2f))
        << viewAtQuarter.x << ", " << viewAtQuarter.y << ", " << viewAtQuarter.z;
    EXPECT_EQ(normalSeen, Point3(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(timeSeen, 160);
}

TEST(MapPreview, OneRowBufferFromTheCoreAllocatorFreedAfterwards) {
    ProbeMap map;
    CapturingTexHandleMaker thmaker(64);
    const int64_t before = Nimbal::liveAllocations();
    const int bitmapsBefore = TheManager->LiveBitmaps();
    FreeDIB(Preview(map, thmaker));
    EXPECT_EQ(map.allocationsSeen, before + 1);
    EXPECT_EQ(Nimbal::liveAllocations(), before);
    EXPECT_EQ(TheManager->LiveBitmaps(), bitmapsBefore);
}

TEST(MapPreview, ABitmapTheHostCannotCreateRaisesTheAssertionAtTheCallingLine) {
    ProbeMap map;
    CapturingTexHandleMaker thmaker(64);
    const size_t limit = TheManager->MemoryLimit();
    TheManager->SetMemoryLimit(1024);
    const int64_t before = Nimbal::liveAllocations();
    Interval valid = FOREVER;
    int line = 0;
    std::string message;
    try {
        line = __LINE__ + 1;
        NIMBAL_MAP_PREVIEW(map, 0, thmaker, valid, 0, 0, u"ProbeTemp");
        ADD_FAILURE() << "no assertion";
    } catch (const Nimbal::Exception& e) {
        message = e.what();
        EXPECT_EQ(e.getCode(), 123);
    }
    TheManager->SetMemoryLimit(limit);
    EXPECT_EQ(message, std::string("STOP@") + __FILE__ + "(" + std::to_string(line) + ")");
    EXPECT_EQ(map.updates, 1);
    EXPECT_EQ(map.evals, 0);
    EXPECT_EQ(thmaker.calls, 0);
    // The row buffer was never allocated.
    EXPECT_EQ(Nimbal::liveAllocations(), before);
}

TEST(MapPreview, AMapThatThrowsLeavesNothingBehind) {
    ProbeMap map;
    map.color = [&map](ShadeContext&) -> AColor {
        if (map.evals == 5000) throw std::runtime_error("map failed");
        return AColor(0.0f, 0.0f, 0.0f, 1.0f);
    };
    CapturingTexHandleMaker thmaker(64);
    const int64_t before = Nimbal::liveAllocations();
    const int bitmapsBefore = TheManager->LiveBitmaps();
    EXPECT_THROW(Preview(map, thmaker), std::runtime_error);
    EXPECT_EQ(Nimbal::liveAllocations(), before);
    EXPECT_EQ(TheManager->LiveBitmaps(), bitmapsBefore);
}

TEST(MapPreview, TheGridCanTakeItsColourFromElsewhere) {
    CapturingTexHandleMaker thmaker(16);
    BITMAPINFO* dib = Nimbal::renderPreviewGrid(0, thmaker, 0, 0, u"GridTemp", __FILE__, __LINE__,
                                                [](Nimbal::UvwContext& sc) {
                                                    return sc.uvw.x < 0.5f ? AColor(1.0f, 1.0f, 1.0f, 1.0f)
                                                                           : AColor(0.0f, 0.0f, 0.0f, 1.0f);
                                                });
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(thmaker.name, "GridTemp");
    EXPECT_EQ(thmaker.At(511, 3).r, 65535);
    EXPECT_EQ(thmaker.At(512, 3).r, 0);
    // The 16-pixel DIB shows the split too.
    EXPECT_EQ(DIBPixel(dib, 7, 0)->rgbRed, 255);
    EXPECT_EQ(DIBPixel(dib, 8, 0)->rgbRed, 0);
    FreeDIB(dib);
}

}  // namespace
