#include "host/Geom.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectNear(const Point3& a, const Point3& b, float eps = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// Translation, rotation about a tilted set of axes, non-uniform scale and shear.
Matrix3 GeneralMatrix() {
    Matrix3 m = ScaleMatrix(Point3(2.0f, 0.5f, 3.0f));
    m.RotateX(0.3f);
    m.RotateY(-1.1f);
    m.RotateZ(2.0f);
    m.SetRow(1, m.GetRow(1) + Point3(0.4f, 0.0f, 0.0f));  // shear
    m.Translate(Point3(5.0f, -7.0f, 11.0f));
    return m;
}

}  // namespace

TEST(GeomMatrix, RowVectorsApplyTheLeftFactorFirst) {
    const Matrix3 rot = RotateZMatrix(HALFPI);
    const Matrix3 move = TransMatrix(Point3(10, 0, 0));
    // X axis turns to Y under +90 degrees about Z.
    ExpectNear(Point3(1, 0, 0) * rot, Point3(0, 1, 0));
    // rot * move: rotate, then move.
    ExpectNear(Point3(1, 0, 0) * (rot * move), Point3(10, 1, 0));
    // move * rot: move, then rotate the moved point about the origin.
    ExpectNear(Point3(1, 0, 0) * (move * rot), Point3(0, 11, 0));

    const Matrix3 g = GeneralMatrix();
    const Point3 p(0.25f, -3.0f, 1.5f);
    ExpectNear(p * (g * rot), (p * g) * rot, 1e-4f);
}

TEST(GeomMatrix, RightHandedRotations) {
    struct Case { Matrix3 m; Point3 from, to; };
    const Case cases[] = {
        {RotateXMatrix(HALFPI), {0, 1, 0}, {0, 0, 1}},
        {RotateYMatrix(HALFPI), {0, 0, 1}, {1, 0, 0}},
        {RotateZMatrix(HALFPI), {1, 0, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases) ExpectNear(c.from * c.m, c.to);
}

TEST(GeomMatrix, PostAndPreOperationsDifferInOrder) {
    Matrix3 post = RotateZMatrix(HALFPI);
    post.Translate(Point3(1, 2, 3));  // world-space move after the rotation
    ExpectNear(post.GetTrans(), Point3(1, 2, 3));

    Matrix3 pre = RotateZMatrix(HALFPI);
    pre.PreTranslate(Point3(1, 2, 3));  // local move, turned by the rotation
    ExpectNear(pre.GetTrans(), Point3(-2, 1, 3));

    Matrix3 rot;
    rot.PreRotateZ(HALFPI);
    rot.PreScale(Point3(2, 1, 1));  // local X doubled, then turned to Y
    ExpectNear(Point3(1, 0, 0) * rot, Point3(0, 2, 0));
    Matrix3 sc;
    sc.RotateZ(HALFPI);
    sc.Scale(Point3(2, 1, 1));  // turned to Y first, so the X scale misses it
    ExpectNear(Point3(1, 0, 0) * sc, Point3(0, 1, 0));
}

TEST(GeomMatrix, VectorTransformIgnoresTranslation) {
    const Matrix3 g = GeneralMatrix();
    const Point3 v(1, 2, 3);
    ExpectNear(VectorTransform(g, v), v * g - Point3(0, 0, 0) * g, 1e-4f);
    ExpectNear(TransformPoint(g, v), v * g);
}

TEST(GeomMatrix, InverseRoundTrips) {
    const Matrix3 cases[] = {Matrix3(), GeneralMatrix(), TransMatrix(Point3(-3, 4, 0.5f)),
                             ScaleMatrix(Point3(-1, 2, 0.001f)) * RotateYMatrix(0.7f)};
    const Point3 p(3.0f, -1.0f, 0.5f);
    for (const Matrix3& m : cases) {
        const Matrix3 inv = Inverse(m);
        EXPECT_TRUE((m * inv).Equals(Matrix3(), 1e-4f));
        EXPECT_TRUE((inv * m).Equals(Matrix3(), 1e-4f));
        ExpectNear((p * m) * inv, p, 1e-3f);
    }
    Matrix3 inPlace = GeneralMatrix();
    inPlace.Invert();
    EXPECT_EQ(inPlace, Inverse(GeneralMatrix()));
}

TEST(GeomMatrix, SingularInverseIsZeroNotInfinite) {
    const Matrix3 flat = ScaleMatrix(Point3(1, 1, 0)) * TransMatrix(Point3(1, 2, 3));
    const Matrix3 inv = Inverse(flat);
    for (int r = 0; r < 4; ++r) EXPECT_EQ(inv.GetRow(r), Point3());
}

TEST(GeomMatrix, IdentityAndEquality) {
    Matrix3 m;
    EXPECT_TRUE(m.IsIdentity());
    m.Translate(Point3(0, 0, 1e-7f));
    EXPECT_FALSE(m.IsIdentity());
    EXPECT_NE(m, Matrix3());
    EXPECT_TRUE(m.Equals(Matrix3(), 1e-6f));
    EXPECT_TRUE(ScaleMatrix(Point3(1, 1, -1)).Parity());
}

TEST(GeomPoint, NormalizeKeepsZeroFinite) {
    EXPECT_EQ(Normalize(Point3()), Point3());
    EXPECT_EQ(FNormalize(Point3()), Point3());
    ExpectNear(Normalize(Point3(0, 3, 4)), Point3(0, 0.6f, 0.8f));
    EXPECT_FLOAT_EQ(Length(Point3(0, 3, 4)), 5.0f);
    EXPECT_FLOAT_EQ(LengthSquared(Point3(0, 3, 4)), 25.0f);
    EXPECT_EQ(CrossProd(Point3::XAxis, Point3::YAxis), Point3::ZAxis);
    EXPECT_FLOAT_EQ(DotProd(Point3(1, 2, 3), Point3(4, 5, 6)), 32.0f);
}

TEST(GeomBox, EmptyBoxBehaviour) {
    Box3 b;
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Width(), Point3());
    EXPECT_EQ(b.Center(), Point3());
    EXPECT_FALSE(b.Contains(Point3()));
    EXPECT_TRUE((b * GeneralMatrix()).IsEmpty());
    b.EnlargeBy(1.0f);
    b.Scale(2.0f);
    EXPECT_TRUE(b.IsEmpty());

    b += Point3(1, 2, 3);  // the first point is both corners
    EXPECT_FALSE(b.IsEmpty());
    EXPECT_EQ(b.pmin, Point3(1, 2, 3));
    EXPECT_EQ(b.pmax, Point3(1, 2, 3));

    Box3 grown(b);
    grown += Box3();  // adding an empty box changes nothing
    EXPECT_EQ(grown, b);
    Box3 fresh;
    fresh += b;
    EXPECT_EQ(fresh, b);
}

TEST(GeomBox, GrowContainScaleEnlarge) {
    Box3 b;
    b += Point3(-1, 0, 2);
    b += Point3(3, -2, 4);
    EXPECT_EQ(b.pmin, Point3(-1, -2, 2));
    EXPECT_EQ(b.pmax, Point3(3, 0, 4));
    EXPECT_EQ(b.Width(), Point3(4, 2, 2));
    EXPECT_EQ(b.Center(), Point3(1, -1, 3));
    EXPECT_TRUE(b.Contains(Point3(3, 0, 4)));  // boundaries are inside
    EXPECT_FALSE(b.Contains(Point3(3.001f, 0, 4)));

    Box3 s(b);
    s.Scale(0.5f);
    EXPECT_EQ(s.pmin, Point3(0, -1.5f, 2.5f));
    EXPECT_EQ(s.pmax, Point3(2, -0.5f, 3.5f));
    Box3 e(b);
    e.EnlargeBy(1.0f);
    EXPECT_EQ(e.pmin, Point3(-2, -3, 1));
    EXPECT_EQ(e.pmax, Point3(4, 1, 5));
    EXPECT_TRUE(e.Contains(b));
    EXPECT_FALSE(b.Contains(e));
}

TEST(GeomBox, TransformBoundsAllEightCorners) {
    const Box3 unit(Point3(-1, -1, -1), Point3(1, 1, 1));
    // A 45 degree turn about Z moves the corners, not the face centres, outwards.
    const Box3 turned = unit * RotateZMatrix(PI / 4.0f);
    const float r = std::sqrt(2.0f);
    ExpectNear(turned.pmin, Point3(-r, -r, -1));
    ExpectNear(turned.pmax, Point3(r, r, 1));

    // A flip swaps the corners; min must stay below max.
    const Box3 off(Point3(1, 2, 3), Point3(2, 4, 6));
    const Box3 flipped = off * (ScaleMatrix(Point3(-1, 1, 1)) * TransMatrix(Point3(0, 0, 10)));
    EXPECT_EQ(flipped.pmin, Point3(-2, 2, 13));
    EXPECT_EQ(flipped.pmax, Point3(-1, 4, 16));
}

TEST(GeomBitArray, SizesAcrossWordBoundaries) {
    for (int n : {1, 63, 64, 65, 130}) {
        BitArray bits(n);
        EXPECT_EQ(bits.NumberSet(), 0);
        bits.SetAll();
        EXPECT_EQ(bits.NumberSet(), n) << n;
        bits.Clear(n - 1);
        EXPECT_FALSE(bits[n - 1]);
        EXPECT_EQ(bits.NumberSet(), n - 1);

        // Growing with save keeps the old bits and adds clear ones.
        bits.SetSize(n + 70, true);
        EXPECT_EQ(bits.GetSize(), n + 70);
        EXPECT_EQ(bits.NumberSet(), n - 1) << n;
        EXPECT_FALSE(bits[n + 69]);

        // Shrinking drops the bits past the new end, even when grown again.
        bits.SetAll();
        bits.SetSize(n, true);
        bits.SetSize(n + 5, true);
        EXPECT_EQ(bits.NumberSet(), n) << n;

        bits.SetSize(n);  // without save: all clear
        EXPECT_EQ(bits.NumberSet(), 0);
    }
}

TEST(GeomBitArray, OutOfRangeIndicesAreIgnored) {
    BitArray bits(10);
    bits.Set(-1);
    bits.Set(10);
    EXPECT_EQ(bits.NumberSet(), 0);
    EXPECT_FALSE(bits[10]);
    EXPECT_FALSE(bits[-1]);
    bits.Set(3, true);
    EXPECT_TRUE(bits[3]);
    bits.Set(3, false);
    EXPECT_FALSE(bits.AnyBitSet());
}

TEST(GeomFace, MaterialIdAndEdgeFlagsShareTheFlagsWord) {
    Face f;
    f.setEdgeVisFlags(true, false, true);
    f.setMatID(0xFFFF);
    EXPECT_EQ(f.flags, 0xFFFF0005u);
    f.setMatID(3);
    EXPECT_EQ(f.getMatID(), 3);
    EXPECT_TRUE(f.getEdgeVis(0));
    EXPECT_FALSE(f.getEdgeVis(1));
    EXPECT_TRUE(f.getEdgeVis(2));
    f.setEdgeVisFlags(false, true, false);
    EXPECT_EQ(f.flags, 0x00030002u);
    f.setSmGroup(0x80000001u);
    f.setVerts(4, 5, 6);
    EXPECT_EQ(f.getSmGroup(), 0x80000001u);
    EXPECT_EQ(f.getVert(2), 6u);
    EXPECT_EQ(f.flags, 0x00030002u);
}
