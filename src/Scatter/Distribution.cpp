#include "Scatter/Distribution.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <ctime>
#include <limits>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Scatter/RandomGenerators.h"
#include "core-interface/Debug.h"
#include "core-interface/Exception.h"
#include "core-interface/Memory.h"
#include "shading/UvwContext.h"

namespace Nimbal {

namespace {

constexpr float INF = std::numeric_limits<float>::infinity();
// Cumulative totals at or below this count as nothing to pick from.
constexpr float NOTHING = 1e-6f;
// Normals this close to the Z axis take X as the frame's helper axis.
constexpr float NEAR_Z = 0.999f;
// Density-map samples in all, and at least per triangle.
constexpr int64_t BUDGET_PER_CANDIDATE = 20;
constexpr int64_t BUDGET_MIN = 10000;
constexpr int64_t BUDGET_MAX = 5000000;
constexpr float SAMPLES_PER_TRIANGLE_MIN = 50.f;
// Offsets that keep the three generators of a pass apart.
constexpr uint32_t DENSITY_SEED_OFFSET = 578;
constexpr uint32_t INSTANCE_SEED_OFFSET = 1337;

Pos toPos(const Point3& p) { return Pos(p.x, p.y, p.z); }
Dir toDir(const Point3& p) { return Dir(p.x, p.y, p.z); }
Point3 toPoint3(const Pos& p) { return Point3(p.x, p.y, p.z); }
Point3 toPoint3(const Dir& d) { return Point3(d.x, d.y, d.z); }

// The host's rows are the images of the axes; ours are the columns.
AffineTm toAffine(const Matrix3& m) {
    return AffineTm(toDir(m.GetRow(0)), toDir(m.GetRow(1)), toDir(m.GetRow(2)), toPos(m.GetRow(3)));
}

// A weight the user can set from a script: negative or undefined ones count
// as none, so the cumulative sums stay in order.
float usableWeight(float w) { return w >= 0.f && std::isfinite(w) ? w : 0.f; }

// The inverse transpose of the linear part, which keeps normals normal to
// the transformed surface. A singular part (an object flattened by its
// scale) has no inverse; its adjugate still gives the flattened surface's
// normal, up to a factor that normalising removes.
AffineTm normalTransform(const AffineTm& tm) {
    AffineTm inv;
    if (tm.tryInverse(inv)) {
        AffineTm r;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) r.m[i][j] = inv.m[j][i];
            r.m[i][3] = 0.f;
        }
        return r;
    }
    const auto& m = tm.m;
    AffineTm r;
    r.m[0][0] = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    r.m[0][1] = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    r.m[0][2] = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    r.m[1][0] = m[2][1] * m[0][2] - m[2][2] * m[0][1];
    r.m[1][1] = m[2][2] * m[0][0] - m[2][0] * m[0][2];
    r.m[1][2] = m[2][0] * m[0][1] - m[2][1] * m[0][0];
    r.m[2][0] = m[0][1] * m[1][2] - m[0][2] * m[1][1];
    r.m[2][1] = m[0][2] * m[1][0] - m[0][0] * m[1][2];
    r.m[2][2] = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    for (int i = 0; i < 3; ++i) r.m[i][3] = 0.f;
    return r;
}

float rowLength(const AffineTm& tm, int k) {
    return std::sqrt(tm.m[k][0] * tm.m[k][0] + tm.m[k][1] * tm.m[k][1] + tm.m[k][2] * tm.m[k][2]);
}

AffineTm rows(float a0, float a1, float a2, float b0, float b1, float b2, float c0, float c1, float c2) {
    AffineTm r;
    r.m[0][0] = a0, r.m[0][1] = a1, r.m[0][2] = a2, r.m[0][3] = 0.f;
    r.m[1][0] = b0, r.m[1][1] = b1, r.m[1][2] = b2, r.m[1][3] = 0.f;
    r.m[2][0] = c0, r.m[2][1] = c1, r.m[2][2] = c2, r.m[2][3] = 0.f;
    return r;
}

// Cosine and sine through double precision, whose library results are
// correctly rounded, so that transforms do not depend on the float library.
void cosSin(float angle, float& c, float& s) {
    // Axes left unrotated need no library call: cos(+-0) is 1, sin(+-0) is
    // the zero itself.
    if (angle == 0.f) {
        c = 1.f;
        s = angle;
        return;
    }
    c = float(std::cos(double(angle)));
    s = float(std::sin(double(angle)));
}

// A transform being built, row by row, with the operations of AffineTm's
// product and of plain float arithmetic on each entry, in their order: the
// same bits, four columns at a time where the processor allows.
class Rows {
public:
    explicit Rows(const AffineTm& tm) {
#if defined(__SSE2__)
        for (int i = 0; i < 3; ++i) row_[i] = _mm_loadu_ps(tm.m[i]);
#else
        tm_ = tm;
#endif
    }

    // Row k, translation included, times scale[k].
    void scale(const float scale[3]) {
#if defined(__SSE2__)
        for (int k = 0; k < 3; ++k) row_[k] = _mm_mul_ps(row_[k], _mm_set1_ps(scale[k]));
#else
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 4; ++j) tm_.m[k][j] *= scale[k];
#endif
    }

    // a * this: entry (i, j) is (a_i0 * m_0j + a_i1 * m_1j) + a_i2 * m_2j,
    // plus a_i3 in the translation column.
    void leftMultiply(const AffineTm& a) {
#if defined(__SSE2__)
        __m128 out[3];
        for (int i = 0; i < 3; ++i) {
            const __m128 sum = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(a.m[i][0]), row_[0]),
                                          _mm_mul_ps(_mm_set1_ps(a.m[i][1]), row_[1]));
            out[i] = addToTranslation(_mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(a.m[i][2]), row_[2])), a.m[i][3]);
        }
        for (int i = 0; i < 3; ++i) row_[i] = out[i];
#else
        tm_ = a * tm_;
#endif
    }

    void translate(const Dir& d) {
#if defined(__SSE2__)
        for (int i = 0; i < 3; ++i) row_[i] = addToTranslation(row_[i], d[i]);
#else
        for (int i = 0; i < 3; ++i) tm_.m[i][3] += d[i];
#endif
    }

    // Whether multiplying by a rotation of angle +-0 (entries 1, 0 and -0)
    // gives the matrix back bit for bit. Each entry of the product is the
    // matching entry plus zeros, which leaves it alone unless it is -0
    // (-0 + 0 is +0) or not finite (0 * inf is NaN).
    bool keptByIdentity() const {
#if defined(__SSE2__)
        const __m128i exponent = _mm_set1_epi32(0x7F800000), negativeZero = _mm_set1_epi32(int32_t(0x80000000u));
        __m128i bad = _mm_setzero_si128();
        for (const __m128& row : row_) {
            const __m128i bits = _mm_castps_si128(row);
            bad = _mm_or_si128(bad, _mm_cmpeq_epi32(_mm_and_si128(bits, exponent), exponent));
            bad = _mm_or_si128(bad, _mm_cmpeq_epi32(bits, negativeZero));
        }
        return _mm_movemask_epi8(bad) == 0;
#else
        for (const auto& row : tm_.m)
            for (const float v : row)
                if (!std::isfinite(v) || (v == 0.f && std::signbit(v))) return false;
        return true;
#endif
    }

    AffineTm tm() const {
#if defined(__SSE2__)
        AffineTm r;
        for (int i = 0; i < 3; ++i) _mm_storeu_ps(r.m[i], row_[i]);
        return r;
#else
        return tm_;
#endif
    }

private:
#if defined(__SSE2__)
    // v + t in the translation lane only: the other lanes take -0, which
    // leaves every value as it is.
    static __m128 addToTranslation(__m128 v, float t) { return _mm_add_ps(v, _mm_setr_ps(-0.f, -0.f, -0.f, t)); }
    __m128 row_[3];
#else
    AffineTm tm_;
#endif
};

int elapsedMs(std::clock_t start) {
    return int(1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC);
}

// The bounds of the eight corners of the box (lo, hi) under tm, without
// transforming each corner. A corner's coordinate is
// ((m0 * x + m1 * y) + m2 * z) + t, and rounded addition never decreases
// when an operand grows, so the smallest corner value is the sum of the
// smaller of the two products on each axis, and the largest likewise, with
// the same roundings as the corner that has them. Infinities and NaN break
// that order; false, with `bounds` unusable, when one might have taken part.
bool boundsFromTerms(const AffineTm& tm, const Pos& lo, const Pos& hi, AlignedBox& bounds) {
#if defined(__SSE2__)
    const __m128 low = _mm_setr_ps(lo.x, lo.y, lo.z, 0.f), high = _mm_setr_ps(hi.x, hi.y, hi.z, 0.f);
    const __m128i exponent = _mm_set1_epi32(0x7F800000);
    const auto infinite = [&](__m128 v) { return _mm_cmpeq_epi32(_mm_and_si128(_mm_castps_si128(v), exponent), exponent); };
    // ((v0 + v1) + v2) + t, as a corner's coordinate adds up.
    const auto sum = [](__m128 v, float t) {
        const __m128 two = _mm_add_ss(v, _mm_shuffle_ps(v, v, 1));
        return _mm_cvtss_f32(_mm_add_ss(_mm_add_ss(two, _mm_shuffle_ps(v, v, 2)), _mm_set_ss(t)));
    };
    __m128i bad = _mm_or_si128(infinite(low), infinite(high));
    for (int i = 0; i < 3; ++i) {
        const __m128 row = _mm_loadu_ps(tm.m[i]);
        bad = _mm_or_si128(bad, infinite(row));
        const __m128 a = _mm_mul_ps(row, low), b = _mm_mul_ps(row, high);
        bounds.min[i] = sum(_mm_min_ps(a, b), tm.m[i][3]);
        bounds.max[i] = sum(_mm_max_ps(a, b), tm.m[i][3]);
    }
    bad = _mm_or_si128(bad, infinite(_mm_setr_ps(bounds.min.x, bounds.min.y, bounds.min.z, bounds.max.x)));
    bad = _mm_or_si128(bad, infinite(_mm_setr_ps(bounds.max.y, bounds.max.z, 0.f, 0.f)));
    return _mm_movemask_epi8(bad) == 0;
#else
    bool finite = std::isfinite(lo.x) && std::isfinite(lo.y) && std::isfinite(lo.z) && std::isfinite(hi.x) &&
                  std::isfinite(hi.y) && std::isfinite(hi.z);
    for (int i = 0; i < 3; ++i) {
        const float* m = tm.m[i];
        float least[3], most[3];
        for (int j = 0; j < 3; ++j) {
            const float a = m[j] * lo[j], b = m[j] * hi[j];
            least[j] = std::min(a, b);
            most[j] = std::max(a, b);
            finite = finite && std::isfinite(m[j]);
        }
        bounds.min[i] = least[0] + least[1] + least[2] + m[3];
        bounds.max[i] = most[0] + most[1] + most[2] + m[3];
        finite = finite && std::isfinite(m[3]) && std::isfinite(bounds.min[i]) && std::isfinite(bounds.max[i]);
    }
    return finite;
#endif
}

// The host evaluates maps through this context during one pass.
float evalAt(UvwContext& ctx, Texmap* map, const SurfacePoint& p) {
    ctx.position = toPoint3(p.position);
    ctx.normal = toPoint3(p.normal);
    ctx.uvw = toPoint3(p.uvw);
    return map->EvalMono(ctx);
}

// The cumulative values of a list, side by side, for the binary searches.
template <typename T, typename Field>
void gatherSums(const Stack<T>& list, Field field, Stack<float>& sums) {
    sums.clear();
    sums.reserve(list.size());
    for (const T& item : list) sums.push(item.*field);
}

} // namespace

// ---------------------------------------------------------------------------

ScatterSettings ScatterSettings::read(IParamBlock2* pb, TimeValue t, bool legacy) {
    ScatterSettings s;
    s.count = pb->GetInt(scatter_count, t);
    s.randomType = pb->GetInt(scatter_randomType, t);
    s.seed = pb->GetInt(scatter_seed, t);
    s.scatterType = pb->GetInt(scatter_scatterType, t);
    s.displayedFraction = pb->GetFloat(scatter_displayedFraction, t) / 100.f;
    s.previzType = pb->GetInt(scatter_previzType, t);
    const Dir translateMin = toDir(pb->GetPoint3(scatter_translateMin, t));
    const Dir rotateMin = toDir(pb->GetPoint3(scatter_rotateMin, t));
    const Dir scaleMin = toDir(pb->GetPoint3(scatter_scaleMin, t));
    s.translateMin = translateMin;
    s.translateRange = toDir(pb->GetPoint3(scatter_translateMax, t)) - translateMin;
    s.rotateMin = rotateMin;
    s.rotateRange = toDir(pb->GetPoint3(scatter_rotateMax, t)) - rotateMin;
    s.scaleMin = scaleMin;
    s.scaleRange = toDir(pb->GetPoint3(scatter_scaleMax, t)) - scaleMin;
    s.alignNormals = pb->GetInt(scatter_alignNormals, t) != 0;
    s.collisionDetect = pb->GetInt(scatter_collisionDetect, t) != 0;
    s.uniformScale = pb->GetInt(scatter_uniformScaling, t) != 0;
    s.lastRenderCamera = toPos(pb->GetPoint3(scatter_lastRenderCamera, t));
    s.legacy = legacy;
    if (s.uniformScale) s.applyUniformScale();
    return s;
}

void ScatterSettings::applyUniformScale() {
    scaleMin.y = scaleMin.z = scaleMin.x;
    scaleRange.y = scaleRange.z = scaleRange.x;
}

DistributionInputs DistributionInputs::read(IParamBlock2* pb, TimeValue t) {
    DistributionInputs in;
    const auto table = [&](ParamID nodes, ParamID weights, Stack<Entry>& out) {
        const int32_t n = pb->Count(nodes);
        const int32_t known = pb->Count(weights);
        out.reserve(n);
        for (int32_t i = 0; i < n; ++i) {
            Entry e;
            e.node = pb->GetINode(nodes, t, i);
            // The companion table is kept as long as the node table; a file
            // that broke that rule gets the entries' default.
            e.weight = i < known ? pb->GetFloat(weights, t, i) : 1.f;
            out.push(e);
        }
    };
    table(scatter_distributionObjects, scatter_distributionObjectsDensity, in.distribution);
    table(scatter_scatteredObjects, scatter_scatteredObjectsFrequency, in.scattered);
    in.densityMap = pb->GetTexmap(scatter_densityMap, t);
    for (int k = 0; k < 3; ++k) in.scaleMap[k] = pb->GetTexmap(ParamID(scatter_scaleMapX + k), t);
    return in;
}

// ---------------------------------------------------------------------------

SurfacePoint surfacePoint(const DistributionTriangle& tri, float a, float b) {
    const float s = std::sqrt(a);
    const float w1 = s * b;
    const float w2 = 1.f - s;
    const float w0 = 1.f - w1 - w2;
    SurfacePoint p;
    p.position = tri.p0 + Dir(tri.p1 - tri.p0) * w1 + Dir(tri.p2 - tri.p0) * w2;
    p.normal = normalize(tri.n0 * w0 + tri.n1 * w1 + tri.n2 * w2);
    p.uvw = tri.uvw0 * w0 + tri.uvw1 * w1 + tri.uvw2 * w2;
    return p;
}

AffineTm frameFromNormal(const Dir& n) {
    const Dir helper = std::fabs(n.z) > NEAR_Z ? Dir::UNIT_X : Dir::UNIT_Z;
    const Dir side = cross(n, helper);
    const Dir a = normalize(side);
    const Dir b = normalize(cross(side, n));
    return AffineTm(b, a, n, Pos::ZERO);
}

int32_t pickCumulative(const float* cumulative, int32_t count, float target) {
    const float* end = cumulative + count;
    const float* found = std::upper_bound(cumulative, end, target);
    if (found != end) return int32_t(found - cumulative);
    // The first record that reaches the total is the last one with weight.
    return int32_t(std::lower_bound(cumulative, end, cumulative[count - 1]) - cumulative);
}

void CumulativeSearch::build(const float* cumulative, int32_t count) {
    NIMBAL_ASSERT(count > 0);
    lastWeighted_ = pickCumulative(cumulative, count, INF);
    // Sizes first: the levels live in one list, which must not move once
    // the levels point into it.
    int64_t total = 0;
    for (int64_t n = count; n > 1;) {
        n = (n + BLOCK - 1) / BLOCK;
        total += n;
    }
    upper_.clear();
    upper_.reserve(total);
    levels_[0] = {cumulative, count};
    numLevels_ = 1;
    while (levels_[numLevels_ - 1].count > 1) {
        const Level below = levels_[numLevels_ - 1];
        const int32_t start = upper_.size();
        for (int64_t end = BLOCK; end - BLOCK < below.count; end += BLOCK)
            upper_.push(below.values[std::min<int64_t>(end, below.count) - 1]);
        levels_[numLevels_++] = {upper_.data() + start, upper_.size() - start};
    }
}

int32_t CumulativeSearch::pick(float target) const {
    // At or past the total, and for an undefined target, upper_bound would
    // find nothing.
    const Level& top = levels_[numLevels_ - 1];
    if (!(target < top.values[top.count - 1])) return lastWeighted_;
    // In each block, the first value above the target is the number of
    // values not above it: the block's last value is above it, and values
    // never decrease. Every value of an earlier block is at most that block's
    // last one, so the answer lies below the block found on the level above.
    int32_t block = 0;
    for (int32_t level = numLevels_ - 1; level >= 0; --level) {
        const Level& l = levels_[level];
        const int32_t first = block * BLOCK;
        const int32_t size = std::min(BLOCK, l.count - first);
        const float* v = l.values + first;
        int32_t notAbove = 0;
        for (int32_t k = 0; k < size; ++k) notAbove += v[k] <= target;
        block = first + notAbove;
    }
    return block;
}

void CumulativeSearch::pick(const float* targets, int32_t* found, int32_t n) const {
    const Level& top = levels_[numLevels_ - 1];
    const float total = top.values[top.count - 1];
    // Targets that find nothing descend harmlessly to the first record and
    // are answered at the end.
    float clamped[64];
    NIMBAL_ASSERT(n >= 0 && n <= 64);
    for (int32_t i = 0; i < n; ++i) {
        found[i] = 0;
        clamped[i] = targets[i] < total ? targets[i] : -INF;
    }
    for (int32_t level = numLevels_ - 1; level >= 0; --level) {
        const Level& l = levels_[level];
        for (int32_t i = 0; i < n; ++i) {
            const int32_t first = found[i] * BLOCK;
            const int32_t size = std::min(BLOCK, l.count - first);
            const float* v = l.values + first;
            int32_t notAbove = 0;
            for (int32_t k = 0; k < size; ++k) notAbove += v[k] <= clamped[i];
            found[i] = first + notAbove;
            if (level > 0) __builtin_prefetch(levels_[level - 1].values + int64_t(found[i]) * BLOCK);
        }
    }
    for (int32_t i = 0; i < n; ++i)
        if (!(targets[i] < total)) found[i] = lastWeighted_;
}

// ---------------------------------------------------------------------------

void ScatterDistribution::clear() noexcept {
    objects_.clear();
    triangles_.clear();
    scattered_.clear();
    instances_.clear();
    gatheredWeights_.clear();
    for (Texmap*& m : maps_) m = nullptr;
}

ScatterDistribution::Pass ScatterDistribution::regenerate(IParamBlock2* pb, TimeValue t, bool legacy, bool& dirty) {
    Pass pass;
    const DistributionInputs inputs = DistributionInputs::read(pb, t);
    pass.gathered = gather(inputs, t);
    if (!pass.gathered) return pass;
    dirty = false;
    prepareMaps();
    pass.outcome = generate(ScatterSettings::read(pb, t, legacy));
    return pass;
}

bool ScatterDistribution::gather(const DistributionInputs& inputs, TimeValue t) {
    clear();
    if (inputs.distribution.isEmpty() || inputs.scattered.isEmpty()) return false;
    maps_[0] = inputs.densityMap;
    for (int k = 0; k < 3; ++k) maps_[k + 1] = inputs.scaleMap[k];

    for (const DistributionInputs::Entry& entry : inputs.distribution) {
        if (!entry.node) continue;
        ::Object* obj = entry.node->EvalWorldState(t).obj;
        if (!obj || !obj->CanConvertToType(TRIOBJ_CLASS_ID)) continue;
        ::Object* converted = obj->ConvertToType(t, TRIOBJ_CLASS_ID);
        auto* tri = dynamic_cast<TriObject*>(converted);
        if (!tri) {
            if (converted && converted != obj) converted->DeleteThis();
            continue;
        }
        // The normals are completed on a copy: looking at a scene object must
        // not add explicit normals to the mesh it keeps and saves.
        Mesh mesh;
        if (converted == obj) {
            mesh = tri->GetMesh();
        } else {
            mesh = std::move(tri->GetMesh());
            converted->DeleteThis();
        }
        addMesh(mesh, toAffine(entry.node->GetObjectTM(t)), usableWeight(entry.weight), inputs);
    }
    gatheredWeights_.reserve(triangles_.size());
    for (const DistributionTriangle& tri : triangles_) gatheredWeights_.push(tri.weight);

    ViewExp* view = &GetCOREInterface()->GetActiveViewExp();
    for (const DistributionInputs::Entry& entry : inputs.scattered) {
        if (!entry.node) continue;
        ::Object* obj = entry.node->EvalWorldState(t).obj;
        if (!obj || obj->ClassID() == DUMMY_CLASS_ID) continue;
        ScatteredObject so;
        Box3 box;
        obj->GetLocalBoundBox(t, entry.node, view, box);
        // An object without extent (a light, an empty mesh) reports the empty
        // box, whose corners would span all of float space; it is a point.
        if (!box.IsEmpty()) {
            Point3 lo = box[0], hi = box[0];
            for (int c = 1; c < 8; ++c) {
                const Point3 p = box[c];
                lo = Point3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
                hi = Point3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
            }
            so.bboxMin = toPos(lo);
            so.bboxMax = toPos(hi);
        }
        so.node = entry.node;
        so.frequency = usableWeight(entry.weight);
        so.cumulativeFrequency = so.frequency + (scattered_.isEmpty() ? 0.f : scattered_.top().cumulativeFrequency);
        const Matrix3 nodeTm = entry.node->GetNodeTM(t);
        const Matrix3 objectTm = entry.node->GetObjectTM(t);
        so.baseTm = toAffine(nodeTm);
        const Point3 offset = objectTm.GetTrans() - nodeTm.GetTrans();
        for (int i = 0; i < 3; ++i) so.baseTm.m[i][3] = offset[i];
        scattered_.push(so);
    }
    return true;
}

void ScatterDistribution::addMesh(Mesh& mesh, const AffineTm& tm, float density, const DistributionInputs& inputs) {
    if (MeshNormalSpec* normals = mesh.SpecifyNormals()) normals->CheckNormals();
    const MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    const int numFaces = mesh.getNumFaces();
    if (numFaces <= 0) return;

    const AffineTm normalTm = normalTransform(tm);
    const int numVerts = mesh.getNumVerts();
    const bool hasTexture = mesh.getNumMaps() > 1 && mesh.getNumTVFaces() > 0;
    const int numTexFaces = hasTexture ? mesh.getNumTVFaces() : 0;
    const int numTexVerts = hasTexture ? mesh.getNumTVerts() : 0;
    const int numNormals = normals ? normals->GetNumNormals() : 0;

    Pos lo(INF, INF, INF), hi(-INF, -INF, -INF);
    bool any = false;
    triangles_.reserve(int64_t(triangles_.size()) + numFaces);
    // Generation reads the records at random.
    preferHugePages(triangles_.data(), sizeof(DistributionTriangle) * (size_t(triangles_.size()) + size_t(numFaces)));
    for (int f = 0; f < numFaces; ++f) {
        const Face& face = mesh.faces[size_t(f)];
        // A face that names a vertex the mesh lacks has no geometry to offer.
        if (face.v[0] >= DWORD(numVerts) || face.v[1] >= DWORD(numVerts) || face.v[2] >= DWORD(numVerts)) continue;
        any = true;
        DistributionTriangle tri;
        Pos* corner[3] = {&tri.p0, &tri.p1, &tri.p2};
        Dir* normal[3] = {&tri.n0, &tri.n1, &tri.n2};
        Pos* uvw[3] = {&tri.uvw0, &tri.uvw1, &tri.uvw2};
        for (int c = 0; c < 3; ++c) {
            const Pos local = toPos(mesh.verts[face.v[c]]);
            lo = min(lo, local);
            hi = max(hi, local);
            *corner[c] = tm * local;
            const int ni = normals ? normals->GetNormalIndex(f, c) : -1;
            const Dir n = ni >= 0 && ni < numNormals ? toDir(normals->Normal(ni)) : Dir::ZERO;
            *normal[c] = normalize(normalTm * n);
        }
        if (hasTexture) {
            const TVFace* tf = f < numTexFaces ? &mesh.mapFaces(1)[size_t(f)] : nullptr;
            for (int c = 0; c < 3; ++c) {
                const bool known = tf && tf->t[c] < DWORD(numTexVerts);
                *uvw[c] = known ? toPos(mesh.mapVerts(1)[tf->t[c]]) : Pos::ZERO;
            }
        } else {
            for (int c = 0; c < 3; ++c) *uvw[c] = *corner[c];
        }
        const float area2 = cross(Dir(tri.p2 - tri.p0), Dir(tri.p1 - tri.p0)).length();
        tri.weight = usableWeight(area2 * density);
        tri.cumulativeWeight = tri.weight + (triangles_.isEmpty() ? 0.f : triangles_.top().cumulativeWeight);
        tri.densityMap = inputs.densityMap;
        for (int k = 0; k < 3; ++k) tri.scaleMap[k] = inputs.scaleMap[k];
        triangles_.push(std::move(tri));
    }
    if (!any) return;

    DistributionObject obj;
    obj.bboxMin = lo;
    obj.bboxMax = hi;
    obj.tm = tm;
    const Dir d(hi - lo);
    obj.volumeWeight =
        usableWeight(std::fabs(d.x * d.y * d.z) * density * rowLength(tm, 0) * rowLength(tm, 1) * rowLength(tm, 2));
    obj.cumulativeVolume = obj.volumeWeight + (objects_.isEmpty() ? 0.f : objects_.top().cumulativeVolume);
    objects_.push(obj);
}

void ScatterDistribution::prepareMaps() {
    const TimeValue now = GetCOREInterface()->GetTime();
    for (Texmap* map : maps_) {
        if (!map) continue;
        Interval valid = FOREVER;
        map->Update(now, valid);
    }
}

// ---------------------------------------------------------------------------

INode* ScatterDistribution::instanceNode(int32_t i) const {
    if (i < 0 || i >= instances_.size()) return nullptr;
    const int32_t object = instances_.data()[i].objectIndex;
    return object >= 0 && object < scattered_.size() ? scattered_.data()[object].node : nullptr;
}

AffineTm ScatterDistribution::instanceTm(int32_t i, const ScatterSettings& settings) const {
    return instanceTm(instances_[i], settings);
}

AffineTm ScatterDistribution::instanceTm(const ScatterInstance& inst, const ScatterSettings& settings) const {
    Dir r = inst.scaleRandom, f = inst.scaleMapFactor;
    if (settings.uniformScale) {
        r = Dir(r.x, r.x, r.x);
        f = Dir(f.x, f.x, f.x);
    }
    float scale[3];
    for (int k = 0; k < 3; ++k) scale[k] = (settings.scaleRange[k] * r[k] + settings.scaleMin[k]) * f[k];
    // A rotation by a zero angle is skipped where the product would give the
    // matrix back unchanged.
    const Dir angle = settings.rotateMin + settings.rotateRange * inst.rotateRandom;
    const Dir shift = settings.translateMin + settings.translateRange * inst.translateRandom;

    Rows m(scattered_[inst.objectIndex].baseTm);
    m.scale(scale);
    float c, s;
    if (angle.x != 0.f || !m.keptByIdentity()) {
        cosSin(angle.x, c, s);
        m.leftMultiply(rows(1.f, 0.f, 0.f, 0.f, c, s, 0.f, -s, c));
    }
    if (angle.y != 0.f || !m.keptByIdentity()) {
        cosSin(angle.y, c, s);
        m.leftMultiply(rows(c, 0.f, -s, 0.f, 1.f, 0.f, s, 0.f, c));
    }
    if (angle.z != 0.f || !m.keptByIdentity()) {
        cosSin(angle.z, c, s);
        m.leftMultiply(rows(c, s, 0.f, -s, c, 0.f, 0.f, 0.f, 1.f));
    }
    m.translate(shift);
    if (settings.alignNormals) m.leftMultiply(frameFromNormal(inst.normal));
    m.translate(Dir(inst.position));
    return m.tm();
}

// ---------------------------------------------------------------------------

ScatterDistribution::Outcome ScatterDistribution::generate(const ScatterSettings& settings) {
    const std::clock_t start = std::clock();
    instances_.clear();
    settings_ = settings;

    const bool onSurfaces = settings.scatterType == SCATTER_ON_SURFACES;
    const bool inBoxes = settings.scatterType == SCATTER_IN_BOUNDING_BOX;
    if (scattered_.isEmpty() || !(scattered_.top().cumulativeFrequency > NOTHING)) return Outcome::NoInput;
    if (inBoxes && (objects_.isEmpty() || !(objects_.top().cumulativeVolume > NOTHING))) return Outcome::NoInput;
    if (onSurfaces && (triangles_.isEmpty() || !(triangles_.top().cumulativeWeight > NOTHING))) return Outcome::NoInput;
    // A mode the block cannot hold (set from code) has no rule for positions.
    if (!onSurfaces && !inBoxes) return Outcome::NoInput;

    try {
        if (onSurfaces && !buildDensityTables(settings)) return Outcome::NoInput;

        std::unique_ptr<Abstract::ScatterRandom> source(createScatterRandom(settings.randomType, settings.legacy));
        source->seed(settings.seed);
        DEBUG_PRINT(String("Updating scatter: seed ") + settings.seed);

        const uint64_t wanted = settings.count > 0 ? uint64_t(settings.count) : 0;
        if (wanted > memoryLimit_ / sizeof(ScatterInstance)) throw std::bad_alloc();
        instances_.reserve(int64_t(wanted));
        drawInstances(settings, *source);
    } catch (const std::bad_alloc&) {
        instances_ = Stack<ScatterInstance>();
        DEBUG_PRINT(String("Updating scatter failed: ") + settings.count + " instances do not fit in memory");
        return Outcome::OutOfMemory;
    }
    DEBUG_PRINT(String("Updating scatter took ") + elapsedMs(start) + "ms");
    return Outcome::Generated;
}

bool ScatterDistribution::buildDensityTables(const ScatterSettings& settings) {
    const int32_t n = triangles_.size();
    DistributionTriangle* tris = triangles_.data();
    bool anyMap = false;
    // Weights as gathered: a second generation must not apply the map twice.
    for (int32_t k = 0; k < n; ++k) {
        tris[k].weight = gatheredWeights_[k];
        tris[k].density.clear();
        anyMap = anyMap || tris[k].densityMap != nullptr;
    }
    densityMaps_ = anyMap;
    if (!anyMap) {
        float running = 0.f;
        for (int32_t k = 0; k < n; ++k) tris[k].cumulativeWeight = running = tris[k].weight + running;
        return true;
    }

    Xorshift64Star sampler(seedXorshift64Star(uint32_t(settings.seed) * 2u - DENSITY_SEED_OFFSET));
    UvwContext ctx(GetCOREInterface()->GetTime());
    ctx.setCameraPosition(toPoint3(settings.lastRenderCamera));

    float total = 0.f;
    for (int32_t k = 0; k < n; ++k) total += tris[k].weight;
    const int64_t budget = std::clamp(int64_t(settings.count) * BUDGET_PER_CANDIDATE, BUDGET_MIN, BUDGET_MAX);
    const float perWeight = float(budget) / total;

    Stack<float> grid;
    for (int32_t k = 0; k < n; ++k) {
        DistributionTriangle& tri = tris[k];
        if (!tri.densityMap) continue;
        const float samples = std::max(perWeight * tri.weight, SAMPLES_PER_TRIANGLE_MIN);
        const float mean = tri.density.build(
            DensityTable::gridSide(samples), sampler,
            [&](float a, float b) { return evalAt(ctx, tri.densityMap, surfacePoint(tri, a, b)); }, grid);
        tri.weight *= mean;
    }
    float running = 0.f;
    for (int32_t k = 0; k < n; ++k) tris[k].cumulativeWeight = running = tris[k].weight + running;
    return running > NOTHING;
}

void ScatterDistribution::drawInstances(const ScatterSettings& settings, Abstract::ScatterRandom& source) {
    const bool onSurfaces = settings.scatterType == SCATTER_ON_SURFACES;
    Stack<float> placeSums, frequencySums;
    if (onSurfaces)
        gatherSums(triangles_, &DistributionTriangle::cumulativeWeight, placeSums);
    else
        gatherSums(objects_, &DistributionObject::cumulativeVolume, placeSums);
    gatherSums(scattered_, &ScatteredObject::cumulativeFrequency, frequencySums);
    const float totalPlace = placeSums.top();
    const float totalFrequency = frequencySums.top();
    CumulativeSearch placeSearch;
    placeSearch.build(placeSums.data(), placeSums.size());

    Xorshift128 perInstance = seedXorshift128(uint32_t(settings.seed) + INSTANCE_SEED_OFFSET);
    UvwContext ctx(GetCOREInterface()->GetTime());
    ctx.setCameraPosition(toPoint3(settings.lastRenderCamera));
    BoxIndex& boxes = boxes_;
    boxes.clear();
    const DistributionTriangle* tris = triangles_.data();
    const bool anyDensityMap = onSurfaces && densityMaps_;
    const DistributionObject* objects = objects_.data();
    const ScatteredObject* scattered = scattered_.data();

    // A candidate from its sample and its picked triangle or object; it
    // takes the per-instance generator's next eleven numbers.
    const auto candidate = [&](const float u[5], int32_t place, ScatterInstance& inst) {
        inst = ScatterInstance();
        if (onSurfaces) {
            const DistributionTriangle& tri = tris[place];
            float a = u[1], b = u[2];
            if (tri.densityMap) tri.density.remap(a, b);
            const SurfacePoint p = surfacePoint(tri, a, b);
            inst.position = p.position;
            inst.normal = p.normal;
            for (int k = 0; k < 3; ++k)
                if (tri.scaleMap[k]) inst.scaleMapFactor[k] = evalAt(ctx, tri.scaleMap[k], p);
        } else {
            const DistributionObject& obj = objects[place];
            const Dir extent(obj.bboxMax - obj.bboxMin);
            const Pos local = obj.bboxMin + extent * Dir(u[2], u[3], u[4]);
            inst.position = obj.tm * local;
            inst.normal = normalize(obj.tm * Dir::UNIT_Z);
        }
        inst.objectIndex = pickCumulative(frequencySums.data(), frequencySums.size(), u[0] * totalFrequency);

        float r[11];
        for (float& v : r) v = perInstance.nextUnit();
        inst.displayRandom = r[0];
        inst.scaleRandom = Dir(r[4], r[3], r[2]);
        inst.translateRandom = Dir(r[7], r[6], r[5]);
        inst.rotateRandom = Dir(r[10], r[9], r[8]);
    };
    // The world box of an instance, for the collision test: the bounds of
    // its object's eight transformed corners.
    const auto boundsOf = [&](const ScatterInstance& inst) {
        const AffineTm tm = instanceTm(inst, settings);
        const ScatteredObject& so = scattered[inst.objectIndex];
        AlignedBox bounds;
        if (boundsFromTerms(tm, so.bboxMin, so.bboxMax, bounds)) return bounds;
        for (int c = 0; c < 8; ++c) {
            const Pos corner((c & 1) ? so.bboxMax.x : so.bboxMin.x, (c & 2) ? so.bboxMax.y : so.bboxMin.y,
                             (c & 4) ? so.bboxMax.z : so.bboxMin.z);
            const Pos p = tm * corner;
            bounds.min = c == 0 ? p : min(bounds.min, p);
            bounds.max = c == 0 ? p : max(bounds.max, p);
        }
        return bounds;
    };

    // Candidates go in batches: a batch's samples are drawn in order, its
    // places picked together and their records fetched from memory at once,
    // then each candidate is made in order. Only the timing of the draws
    // moves, never their order.
    constexpr int32_t BATCH = 32;
    struct Batch {
        int32_t n = 0;
        ScatterInstance made[BATCH];
        BoxIndex::Lookup boxes[BATCH];  // with collision detection
    };
    float samples[BATCH][5];
    float targets[BATCH];
    int32_t places[BATCH];
    // made(i) is called once candidate i of the batch is complete.
    const auto makeBatch = [&](Batch& batch, int32_t start, const auto& made) {
        const int32_t n = batch.n = std::min(BATCH, settings.count - start);
        for (int32_t i = 0; i < n; ++i) {
            source.getSample(samples[i]);
            targets[i] = (onSurfaces ? samples[i][3] : samples[i][1]) * totalPlace;
        }
        placeSearch.pick(targets, places, n);
        if (onSurfaces) {
            // Corners, normals, texture coordinates and map slots: the
            // record's first 152 bytes, on up to four cache lines; with
            // density maps the tables' addresses after them as well.
            const int hotBytes = anyDensityMap ? int(sizeof(DistributionTriangle))
                                               : int(offsetof(DistributionTriangle, density));
            for (int32_t i = 0; i < n; ++i) {
                const char* record = reinterpret_cast<const char*>(tris + places[i]);
                for (int line = 0; line < hotBytes; line += 64) __builtin_prefetch(record + line);
                __builtin_prefetch(record + hotBytes - 1);
            }
            // The density tables' reads, each step for the whole batch, so
            // that the candidates wait for memory together rather than in turn.
            if (anyDensityMap)
                for (int step = 0; step < DensityTable::PREFETCH_STEPS; ++step)
                    for (int32_t i = 0; i < n; ++i) {
                        const DistributionTriangle& tri = tris[places[i]];
                        if (tri.densityMap) tri.density.prefetch(samples[i][1], step);
                    }
        }
        for (int32_t i = 0; i < n; ++i) {
            candidate(samples[i], places[i], batch.made[i]);
            made(i);
        }
    };

    const int32_t numBatches = settings.count > 0 ? (settings.count - 1) / BATCH + 1 : 0;
    if (!settings.collisionDetect) {
        Batch batch;
        for (int32_t k = 0; k < numBatches; ++k) {
            makeBatch(batch, k * BATCH, [](int32_t) {});
            for (int32_t i = 0; i < batch.n; ++i) instances_.push(batch.made[i]);
        }
        return;
    }

    // With collision detection a candidate is kept when its box overlaps
    // none of the boxes kept before it. Candidates do not depend on what was
    // kept, so batches are made ahead of the one decided, and each box takes
    // the index's prefetch steps on the way, one each time a later batch is
    // made, spread over its making so that the memory reads they ask for do
    // not queue up at once: by the time a box is asked about, what its
    // question reads is in the caches.
    constexpr int32_t AHEAD = BoxIndex::PREFETCH_STEPS;
    Batch ring[AHEAD + 1];
    const auto slot = [&](int32_t k) -> Batch& { return ring[k % (AHEAD + 1)]; };
    const auto make = [&](int32_t m) {
        Batch& batch = slot(m);
        makeBatch(batch, m * BATCH, [&](int32_t i) {
            boxes.prepare(boundsOf(batch.made[i]), batch.boxes[i]);
            for (int step = 0; step < AHEAD && m - step >= 0; ++step) {
                const Batch& earlier = slot(m - step);
                if (i < earlier.n) boxes.prefetch(earlier.boxes[i], step);
            }
        });
    };
    for (int32_t m = 0; m < std::min(numBatches, AHEAD); ++m) make(m);
    for (int32_t k = 0; k < numBatches; ++k) {
        if (k + AHEAD < numBatches) make(k + AHEAD);
        Batch& batch = slot(k);
        for (int32_t i = 0; i < batch.n; ++i) {
            if (boxes.overlapsAny(batch.boxes[i])) continue;
            boxes.insert(batch.boxes[i]);
            instances_.push(batch.made[i]);
        }
    }
}

} // namespace Nimbal
