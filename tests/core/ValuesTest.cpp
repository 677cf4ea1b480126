#include <gtest/gtest.h>

#include "core-interface/Exception.h"
#include "core-interface/Values.h"

using namespace Nimbal;

namespace {

void expectNear(const Pos& a, const Pos& b, float tolerance = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// Rotation about Z by 90 degrees, scaled by 2, moved by (1, 2, 3).
const AffineTm SAMPLE(Dir(0.f, 2.f, 0.f), Dir(-2.f, 0.f, 0.f), Dir(0.f, 0.f, 2.f), Pos(1.f, 2.f, 3.f));

} // namespace

TEST(Values, RowsHoldTheLinearPartAndTranslation) {
    // Row i = (m_i0, m_i1, m_i2, t_i): a point maps to M * (p, 1).
    EXPECT_EQ(SAMPLE.m[0][1], -2.f);
    EXPECT_EQ(SAMPLE.m[1][0], 2.f);
    EXPECT_EQ(SAMPLE.m[2][3], 3.f);
    EXPECT_EQ(SAMPLE * Pos(1.f, 0.f, 0.f), Pos(1.f, 4.f, 3.f));
    EXPECT_EQ(SAMPLE * Dir::UNIT_X, Dir(0.f, 2.f, 0.f)); // directions ignore translation
    EXPECT_EQ(AffineTm::IDENTITY * Pos(5.f, 6.f, 7.f), Pos(5.f, 6.f, 7.f));
    EXPECT_EQ(AffineTm(), AffineTm::IDENTITY);
}

TEST(Values, CompositionAppliesTheRightFactorFirst) {
    AffineTm shift(Dir::UNIT_X, Dir::UNIT_Y, Dir::UNIT_Z, Pos(10.f, 0.f, 0.f));
    const Pos p(1.f, 1.f, 1.f);
    EXPECT_EQ((SAMPLE * shift) * p, SAMPLE * (shift * p));
    EXPECT_EQ((shift * SAMPLE) * p, shift * (SAMPLE * p));
    EXPECT_NE((SAMPLE * shift) * p, (shift * SAMPLE) * p);
}

TEST(Values, InverseUndoesTheTransform) {
    const AffineTm inverse = SAMPLE.inverse();
    for (const Pos& p : {Pos::ZERO, Pos::ONES, Pos::NEGATIVE_ONES, Pos(3.f, -7.f, 0.5f)}) {
        expectNear(inverse * (SAMPLE * p), p);
        expectNear(SAMPLE * (inverse * p), p);
    }
    const AffineTm flat(Dir::UNIT_X, Dir::UNIT_Y, Dir::ZERO, Pos::ONES);
    AffineTm untouched = SAMPLE;
    EXPECT_FALSE(flat.tryInverse(untouched));
    EXPECT_EQ(untouched, SAMPLE);
    EXPECT_THROW(flat.inverse(), Exception);
}

TEST(Values, VectorGeometry) {
    EXPECT_EQ(cross(Dir::UNIT_X, Dir::UNIT_Y), Dir::UNIT_Z);
    EXPECT_EQ(cross(Dir::UNIT_Y, Dir::UNIT_X), -Dir::UNIT_Z);
    EXPECT_EQ(dot(Dir(1.f, 2.f, 3.f), Dir(4.f, -5.f, 6.f)), 12.f);
    EXPECT_FLOAT_EQ(Dir(3.f, 0.f, 4.f).length(), 5.f);
    EXPECT_EQ(normalize(Dir(0.f, 0.f, 8.f)), Dir::UNIT_Z);
    EXPECT_EQ(normalize(Dir::ZERO), Dir::ZERO); // no NaNs from a degenerate input
    EXPECT_EQ(Ray(Pos::ONES, Dir::UNIT_Z).at(2.f), Pos(1.f, 1.f, 3.f));
    EXPECT_EQ(max(Pos(1.f, 5.f, -1.f), Pos::ZERO), Pos(1.f, 5.f, 0.f));
    EXPECT_EQ(Vector2::ONES * 3.f - Vector2(1.f, 2.f), Vector2(2.f, 1.f));
}

TEST(Values, Colours) {
    EXPECT_EQ(Rgb::WHITE * 0.5f + Rgb(0.f, 0.25f, 0.f), Rgb(0.5f, 0.75f, 0.5f));
    EXPECT_EQ(Rgb(0.2f, 0.9f, 0.4f).maxChannel(), 0.9f);
    WideRGB sum = WideRGB::BLACK;
    for (int i = 0; i < 10; ++i) sum += WideRGB(Rgb(0.1f, 0.2f, 0.3f));
    EXPECT_EQ((sum / 10.0).toRgb(), Rgb(0.1f, 0.2f, 0.3f));
}
